// Helpers behind the actions of the C grammar: tree shapes that take more
// than one node, block scopes and typedef names, declarator registration,
// the syntax-error reporter and the per-parse state that ParseFile resets.
#pragma once

#include "frontend/arbre.h"
#include "frontend/kinds.h"

#include <vector>

struct CountedList;

// ---- per-parse state ----
void BeginParse(bool isDefinitionFile, const char *const *excludedDirs);
// Clears the typedef marks of the names declared outside any block and
// forgets those names: before each parse of the definition file, and before
// the identifier table that holds them is freed.
void ForgetFileTypedefs();
// The names ForgetFileTypedefs would forget, and their return after it (the
// caller sets their marks): a parse of the definition file leaves them.
std::vector<_AlphaType *> FileTypedefNames();
void RestoreFileTypedefs(const std::vector<_AlphaType *> &names);
// Blocks opened since the start of the process: whether a parse opened any.
unsigned BlocksOpened();
SyntaxNode *TakeRoot();  // the tree of the parse, or null
uint16_t ParseErrorCount();

// ---- scanner to parser ----
// Whether a scanner code is a token of the grammar's numbering. Accept
// pragmas can ask for any number; codes outside the numbering and the error
// token itself reach the grammar as an invalid token, a plain syntax error.
// Inline: it is asked once per token.
inline bool IsParserToken(int code) { return code >= 0 && code <= LAST_KIND && code != ERROR; }
int LastWidth();  // length of the most recently scanned token
ParseValue EmptyValue();

// ---- errors and anachronisms ----
extern const char *const ANACHRONISM_ELISION;
extern const char *const ANACHRONISM_GOTO_LABEL;
extern const char *const ANACHRONISM_CASE_LABEL;
extern const char *const ANACHRONISM_DEFAULT_LABEL;
void SetAnachronism(const char *text);  // null clears it
void ReportParseError(const char *parserMessage);

// ---- expressions ----
SyntaxNode *UsedIdentifier(const ParseValue &token);
SyntaxNode *ConcatString(SyntaxNode *list, const ParseValue &last);
SyntaxNode *PostfixStep(int kind, SyntaxNode *operand, const ParseValue &op);
SyntaxNode *CastOf(const ParseValue &open, SyntaxNode *typeName, const ParseValue &close, SyntaxNode *operand);
// "__extension__ (type)", first read as an identifier, casting operand.
SyntaxNode *ExtensionCast(const ParseValue &group, SyntaxNode *operand);
SyntaxNode *Conditional(SyntaxNode *condition, const ParseValue &question, SyntaxNode *then, const ParseValue &colon,
                        SyntaxNode *otherwise);
SyntaxNode *Assignment(SyntaxNode *target, SyntaxNode *op, SyntaxNode *value);

// ---- declarations ----
SyntaxNode *StorageClass(int code);  // records it; no node
void FreeChain(SyntaxNode *node);    // a node, its siblings and their subtrees
SyntaxNode *Drop(SyntaxNode *node);  // frees a part the tree does not keep
SyntaxNode *Drop2(SyntaxNode *a, SyntaxNode *b);
SyntaxNode *FirstDeclarator(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *init, bool keepSpecifier);
SyntaxNode *NextDeclarator(SyntaxNode *list, const ParseValue &declarator, SyntaxNode *init);
SyntaxNode *QualifiedDeclarator(SyntaxNode *qualifiers, const ParseValue &declarator, SyntaxNode *init);
SyntaxNode *EndDeclaration(SyntaxNode *node, const ParseValue &semicolon, bool clearSpecifier);
SyntaxNode *Initializer(const ParseValue &assign, SyntaxNode *value);
SyntaxNode *BraceInitializer(const ParseValue &open, SyntaxNode *list, const ParseValue &close);
void OpenEnumerators();
SyntaxNode *CloseEnumerators();
SyntaxNode *Enumerator(const ParseValue &name, SyntaxNode *value);
SyntaxNode *TypedefParameter(SyntaxNode *specifier, const ParseValue &declarator);
void ClearPendingParameters();

// ---- declarators (values carry the declared name as alpha) ----
ParseValue Pointer(const ParseValue &star, SyntaxNode *qualifiers, const ParseValue &inner);
ParseValue NamedPointer(const ParseValue &star, SyntaxNode *qualifiers, const ParseValue &inner);
ParseValue Inner(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix);
ParseValue ParenDeclarator(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix);
ParseValue ParenOldDeclarator(const ParseValue &open, const ParseValue &inner, SyntaxNode *postfix);
SyntaxNode *FurtherDimension(const ParseValue &first, SyntaxNode *dimension, const ParseValue &close);
void MarkPointer();
void MarkOldStyle();
SyntaxNode *MarkCall();  // a parameter list; no node

// ---- statements and the top level ----
void OpenBlock();
SyntaxNode *CompoundStatement(const ParseValue &open, SyntaxNode *items, const ParseValue &close);
SyntaxNode *EmptyLabel(int kind, const ParseValue &at, SyntaxNode *first, const ParseValue &colon);
SyntaxNode *ExpressionStatement(SyntaxNode *expression, const ParseValue &semicolon);
SyntaxNode *OrSkipped(SyntaxNode *node);
SyntaxNode *ForStatement(const ParseValue &keyword, SyntaxNode *init, SyntaxNode *condition, SyntaxNode *step,
                         SyntaxNode *body);
SyntaxNode *ForDeclarationStatement(const ParseValue &keyword, SyntaxNode *declaration, SyntaxNode *condition,
                                    SyntaxNode *step, SyntaxNode *body);
SyntaxNode *AsmStatement(const ParseValue &token);
SyntaxNode *FunctionDefinition(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *body);
SyntaxNode *OldFunctionDefinition(SyntaxNode *specifier, const ParseValue &declarator, SyntaxNode *declarations,
                                  SyntaxNode *body);
void TranslationUnit(SyntaxNode *definitions);
// A top-level definition, once complete, goes to the sink when one is set
// (which reads it; then every node is released and nothing is kept in the
// tree), else stays in the tree.
using DefinitionSink = void (*)(const SyntaxNode *definition);
void SetDefinitionSink(DefinitionSink sink);
SyntaxNode *KeepDefinition(SyntaxNode *definition);
