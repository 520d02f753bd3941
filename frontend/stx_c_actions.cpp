// Helpers behind the actions of the C grammar: tree shapes that take more
// than one node, block scopes and typedef names, declarator registration,
// the syntax-error reporter and the per-parse state that ParseFile resets.
#include "frontend/stx_c_actions.h"

#include <QMap>
#include <QString>

#include <cstring>
#include <unordered_set>
#include <vector>

#include "frontend/kinds.h"
#include "frontend/places.h"
#include "frontend/stx_c_lex.h"
#include "support/alpha.h"
#include "support/files.h"
#include "support/machine.h"

const char *const ANACHRONISM_ELISION =
    "syntax anachronism accepted:\n  <logical.OR.expression> ? : <conditional.expression>:\n  near";
const char *const ANACHRONISM_GOTO_LABEL = "syntax anachronism accepted:\n  <goto-label> :";
const char *const ANACHRONISM_CASE_LABEL = "syntax anachronism accepted:\n  case <constant.expression> :";
const char *const ANACHRONISM_DEFAULT_LABEL = "syntax anachronism accepted:\n  default :";

namespace {

// One open block: the typedef names it hides, the ordinary names it
// declares, and its static and extern variables.
struct Block {
    std::vector<_AlphaType *> hidden;
    std::vector<_AlphaType *> declared;
    std::vector<_AlphaType *> statics;
};

// The open blocks, innermost last. Records above the depth are closed blocks
// kept so that their lists keep their storage.
struct BlockStack {
    std::vector<Block> records;
    size_t depth = 0;

    Block *current() { return depth ? &records[depth - 1] : nullptr; }
    Block *push()
    {
        if (depth == records.size()) records.emplace_back();
        Block *b = &records[depth++];
        b->hidden.clear();
        b->declared.clear();
        b->statics.clear();
        return b;
    }
    void pop() { --depth; }
};

// Only the kind and entry of the specifier matter to the variable test, so
// the specifier node itself can be freed as soon as the tree drops it.
struct SpecifierMark {
    bool present;
    int kind;
    _AlphaType *alpha;
};

struct ParseState {
    int storageClass = 0;
    SpecifierMark specifier = {false, 0, nullptr};
    bool hasCall = false;
    bool isFunction = false;
    bool hasPointer = false;
    bool oldStyle = false;
    const char *anachronism = nullptr;
    uint16_t errors = 0;
    BlockStack blocks;
    std::vector<int> enumStorage;  // storage class saved by each open enumerator list
    const char *const *excludedDirs = nullptr;
    SyntaxNode *root = nullptr;
};

ParseState state;
// Typedef names declared outside any block; forgotten before each parse of
// the definition file.
std::unordered_set<_AlphaType *> fileTypedefs;
unsigned blocksOpened = 0;
// Parameters that reuse a typedef name; the next block hides that name.
std::vector<_AlphaType *> pendingParameters;
// Bit 0x10000000 of each name declared in the current block, as it was at
// the declaration (operator[] inserts 0 for a name never stored).
QMap<_AlphaType *, char> savedUse;

void clearDeclaratorFlags()
{
    state.hasCall = false;
    state.isFunction = false;
    state.hasPointer = false;
}

QString currentReference() { return CurrentReference(Scanner().currentLine); }

void setSpecifier(const SyntaxNode *node)
{
    if (node) state.specifier = {true, node->kind, node->alpha};
    else state.specifier = {false, 0, nullptr};
}

// An array of unspecified size anywhere in the declarator chain.
bool hasOpenArray(const SyntaxNode *declarator)
{
    std::vector<const SyntaxNode *> work;
    for (const SyntaxNode *n = declarator; n; n = n->next) work.push_back(n);
    while (!work.empty()) {
        const SyntaxNode *n = work.back();
        work.pop_back();
        if (n->kind == LBRACKET && (!n->child || n->child->kind == LBRACKET)) return true;
        for (const SyntaxNode *c = n->child; c; c = c->next) work.push_back(c);
    }
    return false;
}

bool inExcludedDirectory(const SyntaxNode *declarator)
{
    if (!state.excludedDirs) return false;
    const _AlphaType *directory = PlaceAt(declarator->start.place).directory;
    if (!directory) return false;
    const char *dir = directory->text;
    for (const char *const *p = state.excludedDirs; *p; ++p)
        if (std::strncmp(dir, *p, std::strlen(*p)) == 0) return true;
    return false;
}

bool isVariable(const SyntaxNode *declarator)
{
    if (!declarator) return false;
    const SpecifierMark &mark = state.specifier;
    if (mark.present && (mark.kind == STRUCT || mark.kind == UNION) && declarator->kind != STAR) return false;
    if (mark.present && mark.kind == TYPE_NAME && mark.alpha && (mark.alpha->flags & ALPHA_FUNCTION_TYPEDEF))
        return false;
    if (hasOpenArray(declarator)) return false;
    return !inExcludedDirectory(declarator);
}

void registerName(_AlphaType *name, const SyntaxNode *declarator)
{
    if (!name) reportInternal(translateText("Internal Error", "C declarator with no name"));
    Block *block = state.blocks.current();
    if (state.storageClass == TYPEDEF) {
        name->flags |= ALPHA_TYPEDEF;
        if (block) block->declared.push_back(name);
        else fileTypedefs.insert(name);
        if (state.isFunction) name->flags |= ALPHA_FUNCTION_TYPEDEF;
    } else {
        bool hidTypedef = (name->flags & ALPHA_TYPEDEF) != 0;
        name->flags &= ~ALPHA_TYPEDEF;
        if (block && !state.hasCall && !state.oldStyle) {
            if (hidTypedef) {
                block->hidden.push_back(name);
            } else {
                block->declared.push_back(name);
                savedUse[name] = (name->flags & ALPHA_USED) ? 1 : 0;
            }
            if ((state.storageClass == EXTERN || state.storageClass == STATIC) && isVariable(declarator))
                block->statics.push_back(name);
        }
    }
    clearDeclaratorFlags();
}

// Returns the block's static and extern variables that were used.
CountedList *closeBlock()
{
    Block *block = state.blocks.current();
    if (!block) reportPanic();
    CountedList *used = nullptr;
    CountedListBuilder usedStatics(&used);
    for (_AlphaType *a : block->statics)
        if (a->flags & ALPHA_USED) usedStatics.add(a);
    for (_AlphaType *a : block->hidden) a->flags |= ALPHA_TYPEDEF;
    for (_AlphaType *a : block->declared) {
        a->flags &= ~ALPHA_TYPEDEF;
        if (!savedUse[a]) a->flags &= ~ALPHA_USED;
    }
    savedUse.clear();
    state.blocks.pop();
    return used;
}

SyntaxNode *makeInitDeclarator(const ParseValue &declarator, SyntaxNode *init)
{
    return NewNode2(INIT_DECLARATOR, &declarator, declarator.node, init);
}

SyntaxNode *skippedPlaceholder() { return NewNode(SKIPPED, nullptr); }

}  // namespace

// ---- per-parse state ----

void BeginParse(bool isDefinitionFile, const char *const *excludedDirs)
{
    state.blocks.depth = 0;
    savedUse.clear();
    state.storageClass = 0;
    state.errors = 0;
    state.enumStorage.clear();
    state.excludedDirs = excludedDirs;
    state.anachronism = nullptr;
    if (isDefinitionFile) ForgetFileTypedefs();
    clearDeclaratorFlags();
    state.oldStyle = false;
    setSpecifier(nullptr);
    state.root = nullptr;
}

void ForgetFileTypedefs()
{
    for (_AlphaType *a : fileTypedefs) a->flags &= ~ALPHA_TYPEDEF;
    fileTypedefs.clear();
}

std::vector<_AlphaType *> FileTypedefNames() { return {fileTypedefs.begin(), fileTypedefs.end()}; }

void RestoreFileTypedefs(const std::vector<_AlphaType *> &names) { fileTypedefs.insert(names.begin(), names.end()); }

unsigned BlocksOpened() { return blocksOpened; }

SyntaxNode *TakeRoot()
{
    SyntaxNode *root = state.root;
    state.root = nullptr;
    return root;
}

uint16_t ParseErrorCount() { return state.errors; }

// ---- scanner to parser ----

int LastWidth() { return Scanner().lastLength; }

ParseValue EmptyValue() { return ParseValue{}; }

// ---- errors and anachronisms ----

void SetAnachronism(const char *text) { state.anachronism = text; }

void ReportParseError(const char *parserMessage)
{
    const char *text =
        std::strcmp(parserMessage, "memory exhausted") == 0 ? "yacc stack overflow" : "syntax error near";
    const char *tokenText = TokenText();
    QString token =
        tokenText && *tokenText ? QString::fromLocal8Bit(tokenText) : translateText("Message", "<end-of-file>");
    if (state.anachronism) {
        reportWarning(translateText("Message", state.anachronism) + token + currentReference(), state.anachronism);
        return;
    }
    reportError(translateText("Message", text) + " " + token + " " + currentReference());
    ++state.errors;
}

// ---- expressions ----

SyntaxNode *UsedIdentifier(const ParseValue &token)
{
    if (token.alpha) token.alpha->flags |= ALPHA_USED;
    return NameLeaf(IDENTIFIER, token);
}

SyntaxNode *ConcatString(SyntaxNode *list, const ParseValue &last)
{
    SyntaxNode *leaf = NewNode(STRING_LITERAL, &last);
    SyntaxNode *concat = NewNode2(STRING_CONCAT, &last, list, leaf);
    SetAlpha(leaf, last.alpha);
    return concat;
}

SyntaxNode *PostfixStep(int kind, SyntaxNode *operand, const ParseValue &op)
{
    SyntaxNode *n = SetEnd(NewNode1(kind, &op, operand), &op);
    n->end.column += 1;
    return n;
}

SyntaxNode *CastOf(const ParseValue &open, SyntaxNode *typeName, const ParseValue &close, SyntaxNode *operand)
{
    FreeChain(typeName);
    return SetEnd(NewNode1(CAST, &open, operand), &close);
}

// The CAST takes the place and the end of the identifier leaf that stood for
// the group: the keyword and its closing parenthesis.
SyntaxNode *ExtensionCast(const ParseValue &group, SyntaxNode *operand)
{
    SyntaxNode *cast = NewNode1(CAST, &group, operand);
    cast->end = group.node->end;
    FreeChain(group.node);
    return cast;
}

SyntaxNode *Conditional(SyntaxNode *condition, const ParseValue &question, SyntaxNode *then, const ParseValue &colon,
                        SyntaxNode *otherwise)
{
    return NewNode3(QUESTION, &question, condition, then, NewNode1(COLON, &colon, otherwise));
}

SyntaxNode *Assignment(SyntaxNode *target, SyntaxNode *op, SyntaxNode *value) { return AddChildren(op, target, value); }

// ---- declarations ----

SyntaxNode *StorageClass(int code)
{
    state.storageClass = code;
    return nullptr;
}

void FreeChain(SyntaxNode *node)
{
    while (node) {
        SyntaxNode *next = node->next;
        if (next == node) reportPanic();
        FreeTree(node);
        node = next;
    }
}

SyntaxNode *Drop(SyntaxNode *node)
{
    FreeChain(node);
    return nullptr;
}

SyntaxNode *Drop2(SyntaxNode *a, SyntaxNode *b)
{
    FreeChain(a);
    FreeChain(b);
    return nullptr;
}

SyntaxNode *FirstDeclarator(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *init, bool keepSpecifier)
{
    setSpecifier(specifier);
    registerName(declarator.alpha, declarator.node);
    if (!keepSpecifier) setSpecifier(nullptr);
    FreeChain(specifier);
    return makeInitDeclarator(declarator, init);
}

SyntaxNode *NextDeclarator(SyntaxNode *list, const ParseValue &declarator, SyntaxNode *init)
{
    registerName(declarator.alpha, declarator.node);
    return AppendSiblings(list, makeInitDeclarator(declarator, init));
}

SyntaxNode *QualifiedDeclarator(SyntaxNode *qualifiers, const ParseValue &declarator, SyntaxNode *init)
{
    FreeChain(qualifiers);
    registerName(declarator.alpha, declarator.node);
    return makeInitDeclarator(declarator, init);
}

SyntaxNode *EndDeclaration(SyntaxNode *node, const ParseValue &semicolon, bool clearSpecifier)
{
    SetDeclarationEnd(node, &semicolon, true);
    state.storageClass = 0;
    if (clearSpecifier) setSpecifier(nullptr);
    return node;
}

SyntaxNode *Initializer(const ParseValue &assign, SyntaxNode *value)
{
    return NewNode1(state.storageClass == STATIC ? STATIC_INITIALIZER : INITIALIZER, &assign, value);
}

SyntaxNode *BraceInitializer(const ParseValue &open, SyntaxNode *list, const ParseValue &close)
{
    return SetEndWidth(NewNode1(BRACE_INITIALIZER, &open, list), &close, LastWidth());
}

void OpenEnumerators()
{
    state.enumStorage.push_back(state.storageClass);
    state.storageClass = 0;
    setSpecifier(nullptr);
    clearDeclaratorFlags();
    state.oldStyle = false;
}

SyntaxNode *CloseEnumerators()
{
    // The open marker is part of the same production, so a saved value exists.
    if (state.enumStorage.empty())
        reportInternal(translateText("Internal Error", "Enumerator list closed without opening"));
    state.storageClass = state.enumStorage.back();
    state.enumStorage.pop_back();
    return nullptr;
}

SyntaxNode *Enumerator(const ParseValue &name, SyntaxNode *value)
{
    registerName(name.alpha, nullptr);
    FreeChain(name.node);
    FreeChain(value);
    return nullptr;
}

SyntaxNode *TypedefParameter(SyntaxNode *specifier, const ParseValue &declarator)
{
    pendingParameters.push_back(declarator.alpha);
    FreeChain(specifier);
    FreeChain(declarator.node);
    return nullptr;
}

void ClearPendingParameters() { pendingParameters.clear(); }

// ---- declarators ----

ParseValue Pointer(const ParseValue &star, SyntaxNode *qualifiers, const ParseValue &inner)
{
    ParseValue v = star;
    v.node = NewNode2(STAR, &star, qualifiers, inner.node);
    v.alpha = inner.alpha;
    return v;
}

ParseValue NamedPointer(const ParseValue &star, SyntaxNode *qualifiers, const ParseValue &inner)
{
    ParseValue v = Pointer(star, qualifiers, inner);
    SetAlpha(v.node, inner.alpha);
    return v;
}

ParseValue Inner(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix)
{
    ParseValue v = open;
    v.node = AppendSiblings(inner.node, postfix);
    v.alpha = inner.alpha;
    return v;
}

ParseValue ParenDeclarator(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix)
{
    ParseValue v = open;
    v.node = NewNode2(PAREN_DECLARATOR, &open, inner.node, postfix);
    v.alpha = inner.alpha;
    return v;
}

ParseValue ParenOldDeclarator(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix)
{
    ParseValue v = open;
    v.node = AppendSiblings(NewNode1(LPAREN, &open, inner.node), postfix);
    v.alpha = inner.alpha;
    return v;
}

SyntaxNode *FurtherDimension(const ParseValue &first, SyntaxNode *dimension, const ParseValue &close)
{
    AddChild(first.node, NewNode1(LBRACKET, &first, dimension));
    return SetEndWidth(first.node, &close, LastWidth());
}

void MarkPointer() { state.hasPointer = true; }

void MarkOldStyle() { state.oldStyle = true; }

SyntaxNode *MarkCall()
{
    state.hasCall = true;
    state.isFunction = !state.hasPointer;
    return nullptr;
}

// ---- statements and the top level ----

void OpenBlock()
{
    state.storageClass = 0;
    ++blocksOpened;
    Block *block = state.blocks.push();
    for (_AlphaType *a : pendingParameters) {
        a->flags &= ~ALPHA_TYPEDEF;
        block->hidden.push_back(a);
    }
    pendingParameters.clear();
    clearDeclaratorFlags();
    savedUse.clear();
}

SyntaxNode *CompoundStatement(const ParseValue &open, SyntaxNode *items, const ParseValue &close)
{
    CountedList *used = closeBlock();
    SyntaxNode *n = NewNode(LBRACE, &open);
    AddChildren(n, used ? NewExternNode(used) : nullptr, items);
    return SetEndWidth(n, &close, LastWidth());
}

SyntaxNode *EmptyLabel(int kind, const ParseValue &at, SyntaxNode *first, const ParseValue &colon)
{
    SetAnachronism(nullptr);
    SyntaxNode *n = NewNode(kind, &at);
    AddChildren(n, first, skippedPlaceholder());
    return SetEnd(n, &colon);
}

SyntaxNode *ExpressionStatement(SyntaxNode *expression, const ParseValue &semicolon)
{
    if (!expression) expression = NewNode(SKIPPED, &semicolon);
    return SetEnd(NewNode1(EXPRESSION_STATEMENT, &semicolon, expression), &semicolon);
}

SyntaxNode *OrSkipped(SyntaxNode *node) { return node ? node : skippedPlaceholder(); }

SyntaxNode *ForStatement(const ParseValue &keyword, SyntaxNode *init, SyntaxNode *condition, SyntaxNode *step,
                         SyntaxNode *body)
{
    return NewNode4(FOR, &keyword, OrSkipped(init), OrSkipped(condition), OrSkipped(step), body);
}

SyntaxNode *ForDeclarationStatement(const ParseValue &keyword, SyntaxNode *declaration, SyntaxNode *condition,
                                    SyntaxNode *step, SyntaxNode *body)
{
    if (CountedList *used = closeBlock()) {
        const char *const text = "Static variables used in for-init are ignored";
        reportWarning(translateText("Message", text) + currentReference(), text);
        FreeCountedList(used);
    }
    // A declaration without a node (an enum alone) still holds the init place.
    SyntaxNode *init = declaration;
    if (init && init->next) init = NewNode1(FOR_INIT_DECLARATION, nullptr, init);
    return NewNode4(FOR, &keyword, OrSkipped(init), OrSkipped(condition), OrSkipped(step), body);
}

SyntaxNode *AsmStatement(const ParseValue &token)
{
    int width = token.alpha ? static_cast<int>(token.alpha->length) : 1;
    return SetEndWidth(NewNode(SKIPPED, &token), &token, width);
}

SyntaxNode *FunctionDefinition(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *body)
{
    SyntaxNode *head = AddChildren(NewNode(FUNCTION_HEAD, nullptr), specifier, declarator.node);
    return SetAlpha(NewNode2(FUNCTION_DEFINITION, &declarator, head, body), declarator.alpha);
}

SyntaxNode *OldFunctionDefinition(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *declarations,
                                  SyntaxNode *body)
{
    FreeChain(declarations);
    state.oldStyle = false;
    return FunctionDefinition(specifier, declarator, body);
}

static DefinitionSink definitionSink = nullptr;

void SetDefinitionSink(DefinitionSink sink)
{
    definitionSink = sink;
    SetBulkRelease(sink != nullptr);
}

SyntaxNode *KeepDefinition(SyntaxNode *definition)
{
    if (!definitionSink || !definition) return definition;
    definitionSink(definition);
    // The list of definitions stays empty while a sink takes them, and no
    // other value on the parser's stack holds a node here.
    ReleaseAllNodes();
    return nullptr;
}

void TranslationUnit(SyntaxNode *definitions) { state.root = NewNode1(TRANSLATION_UNIT, nullptr, definitions); }
