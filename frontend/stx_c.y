/* The C grammar: an LALR(1) parser over preprocessed C that builds the
 * syntax tree, decides typedef scoping for the scanner, reports and recovers
 * from syntax errors, and accepts four old anachronisms through the error
 * token. ParseFile at the end runs it over one file.
 *
 * Productions stand in this order, which decides the conflicts that are not
 * settled by one token of lookahead: expressions; declarations, specifiers,
 * struct, enum, parameters and type names; initializers and designators;
 * statements; the top level; declarators.
 *
 * Expected conflicts, both resolved by shifting:
 *  - the dangling else: "if (a) if (b) x; else y;" gives the else to the
 *    nearest if;
 *  - ASM_STATEMENT followed by ';': the ';' belongs to the assembler
 *    statement instead of starting an empty expression statement.
 * Any other conflict is a change in the language and must fail the build.
 *
 * EXTENSION_CAST never comes from the scanner: the parser's token reader
 * puts it before the token that follows "__extension__ (type)" when that
 * token would be a syntax error after the identifier the group stands for
 * (see ExtensionCastOr below), so the group is read as a cast only where the
 * identifier reading fails.
 *
 * The anachronism markers work only through default reductions: each
 * marker's one lookahead is the error token, so the state reduces it when
 * the lookahead fits nothing else, and the error that follows is met with
 * the anachronism text pending. The label markers must stay ahead of
 * comma.expression.opt so that they win the tie for the default reduction.
 */

%code requires {
#include "frontend/arbre.h"
}

%code top {
#include <cstdint>
#include <initializer_list>
#include <vector>
#include <cstdio>
#include <cstdlib>
}

%{
#include "frontend/kinds.h"
#include "frontend/places.h"
#include "frontend/stx_c.h"
#include "frontend/stx_c_actions.h"
#include "frontend/stx_c_lex.h"
#include "frontend/stx_c_pragma.h"
#include "support/alpha.h"
#include "support/machine.h"

/* Stacks start at 150 entries and double; only a failing allocation stops
 * them, and the parser then reports "yacc stack overflow". */
#define YYINITDEPTH 150
#define YYMAXDEPTH (PTRDIFF_MAX / 256)

static void yyerror(const char *message);
/* The token reader also sees the state stack (yyss to yyssp). */
template <typename State> static int ParserLex(const State *bottom, const State *top);
#define yylex() ParserLex(yyss, yyssp)
%}

%define lr.type lalr
%define api.value.type {ParseValue}
%define api.token.prefix {TK_}
%expect 2

/* Values popped by error recovery or left by an aborted parse free their
 * subtrees. Tokens never carry a node, nor do the nonterminals left out here. */
%destructor { FreeChain($$.node); }
    constant string.literal.list primary.expression identifier.or.typedef.name
    postfix.expression unary.expression unary.operator
    cast.expression multiplicative.expression additive.expression shift.expression
    relational.expression equality.expression AND.expression exclusive.OR.expression
    inclusive.OR.expression logical.AND.expression logical.OR.expression
    conditional.expression assignment.expression assignment.operator comma.expression
    constant.expression declaration
    declaration.specifier type.specifier declaration.qualifier.list type.qualifier.list
    declaration.qualifier type.qualifier basic.type.name basic.declaration.specifier
    basic.type.specifier sue.declaration.specifier sue.type.specifier
    typedef.declaration.specifier typedef.type.specifier elaborated.type.name
    aggregate.type.name aggregate.key enumerator.value.opt type.name initializer.opt
    initializer braced.initializer compound.statement block.item statement labeled.statement expression.statement
    comma.expression.opt selection.statement iteration.statement jump.statement
    try.statement except.clause finally.clause asm.statement external.definition function.definition declarator typedef.declarator
    parameter.typedef.declarator clean.typedef.declarator clean.postfix.typedef.declarator
    paren.typedef.declarator paren.postfix.typedef.declarator simple.paren.typedef.declarator
    identifier.declarator unary.identifier.declarator postfix.identifier.declarator
    paren.identifier.declarator old.function.declarator postfix.old.function.declarator
    postfixing.abstract.declarator array.abstract.declarator array.dimension
    abstract.declarator unary.abstract.declarator postfix.abstract.declarator
%destructor { FreeChain($$.node); }
    argument.expression.list initializer.list declaration.list block.item.list
    external.definition.list declaring.list default.declaring.list

%token END 0 "end of file"
%token AUTO 257 "auto"
%token DOUBLE 258 "double"
%token INT 259 "int"
%token STRUCT 260 "struct"
%token BREAK 261 "break"
%token ELSE 262 "else"
%token LONG 263 "long"
%token SWITCH 264 "switch"
%token CASE 265 "case"
%token ENUM 266 "enum"
%token REGISTER 267 "register"
%token TYPEDEF 268 "typedef"
%token CHAR 269 "char"
%token EXTERN 270 "extern"
%token RETURN 271 "return"
%token UNION 272 "union"
%token CONST 273 "const"
%token FLOAT 274 "float"
%token SHORT 275 "short"
%token UNSIGNED 276 "unsigned"
%token CONTINUE 277 "continue"
%token FOR 278 "for"
%token SIGNED 279 "signed"
%token VOID 280 "void"
%token DEFAULT 281 "default"
%token GOTO 282 "goto"
%token SIZEOF 283 "sizeof"
%token VOLATILE 284 "volatile"
%token DO 285 "do"
%token IF 286 "if"
%token STATIC 287 "static"
%token WHILE 288 "while"
%token IDENTIFIER 289
%token STRING_LITERAL 290
%token FLOATING_CONSTANT 291
%token INTEGER_CONSTANT 292
%token CHARACTER_CONSTANT 293
%token OCTAL_CONSTANT 294
%token HEX_CONSTANT 295
%token TYPE_NAME 296
%token ARROW 297 "->"
%token INCREMENT 298 "++"
%token DECREMENT 299 "--"
%token SHIFT_LEFT 300 "<<"
%token SHIFT_RIGHT 301 ">>"
%token LESS_EQUAL 302 "<="
%token GREATER_EQUAL 303 ">="
%token EQUAL_EQUAL 304 "=="
%token NOT_EQUAL 305 "!="
%token AND_AND 306 "&&"
%token OR_OR 307 "||"
%token ELLIPSIS 308 "..."
%token MUL_ASSIGN 309 "*="
%token DIV_ASSIGN 310 "/="
%token MOD_ASSIGN 311 "%="
%token ADD_ASSIGN 312 "+="
%token SUB_ASSIGN 313 "-="
%token SHL_ASSIGN 314 "<<="
%token SHR_ASSIGN 315 ">>="
%token AND_ASSIGN 316 "&="
%token XOR_ASSIGN 317 "^="
%token OR_ASSIGN 318 "|="
%token BANG 319 "!"
%token QUESTION 320 "?"
%token DOT 321 "."
%token AMPERSAND 322 "&"
%token TILDE 323 "~"
%token ASSIGN 324 "="
%token LESS 325 "<"
%token GREATER 326 ">"
%token PLUS 327 "+"
%token MINUS 328 "-"
%token STAR 329 "*"
%token SLASH 330 "/"
%token SEMICOLON 331 ";"
%token COMMA 332 ","
%token COLON 333 ":"
%token LPAREN 334 "("
%token RPAREN 335 ")"
%token LBRACKET 336 "["
%token RBRACKET 337 "]"
%token LBRACE 338 "{"
%token RBRACE 339 "}"
%token PERCENT 340 "%"
%token CARET 341 "^"
%token BAR 342 "|"
%token EXTRA_QUALIFIER 343
%token TRY 344
%token EXCEPT 345
%token FINALLY 346
%token LEAVE 347
%token BINARY_CONSTANT 348
/* Node kinds only: declared so that the two tokens after them keep their codes. */
%token TRANSLATION_UNIT 349
%token RESERVED_350 350
%token FUNCTION_DEFINITION 351
%token FUNCTION_HEAD 352
%token CALL 353
%token INIT_DECLARATOR 354
%token FOR_INIT_DECLARATION 355
%token INITIALIZER 356
%token STATIC_INITIALIZER 357
%token CAST 358
%token ABSTRACT_TYPE 359
%token LABEL 360
%token PRE_INCREMENT 361
%token PRE_DECREMENT 362
%token STRING_CONCAT 363
%token BRACE_INITIALIZER 364
%token EXPRESSION_STATEMENT 365
%token PAREN_DECLARATOR 366
%token SKIPPED 367
%token ASM_STATEMENT 368
%token EXTENSION_CAST 370

%start translation.unit

%%

/* ---- expressions ---- */

constant:
    FLOATING_CONSTANT           { $$.node = NameLeaf(FLOATING_CONSTANT, $1); }
  | INTEGER_CONSTANT            { $$.node = NameLeaf(INTEGER_CONSTANT, $1); }
  | BINARY_CONSTANT             { $$.node = NameLeaf(BINARY_CONSTANT, $1); }
  | OCTAL_CONSTANT              { $$.node = NameLeaf(OCTAL_CONSTANT, $1); }
  | HEX_CONSTANT                { $$.node = NameLeaf(HEX_CONSTANT, $1); }
  | CHARACTER_CONSTANT          { $$.node = NameLeaf(CHARACTER_CONSTANT, $1); }
  | SKIPPED                     { $$.node = NewNode(SKIPPED, &$1); }
  ;

string.literal.list:
    STRING_LITERAL              { $$.node = NameLeaf(STRING_LITERAL, $1); }
  | string.literal.list STRING_LITERAL
                                { $$.node = ConcatString($1.node, $2); }
  ;

primary.expression:
    IDENTIFIER                  { $$.node = UsedIdentifier($1); }
  | constant
  | string.literal.list
  | "(" compound.statement ")"  { $$.node = SetEnd(NewNode1(LPAREN, &$1, $2.node), &$3); }
  | "(" comma.expression ")"    { $$.node = SetEnd(NewNode1(LPAREN, &$1, $2.node), &$3); }
  ;

identifier.or.typedef.name:
    IDENTIFIER                  { $$.node = NameLeaf(IDENTIFIER, $1); }
  | TYPE_NAME                   { $$.node = NameLeaf(TYPE_NAME, $1); }
  ;

postfix.expression:
    primary.expression
  | "&&" identifier.or.typedef.name
                                { $$.node = $2.node; }
  | postfix.expression "[" comma.expression "]"
                                { $$.node = SetEndWidth(NewNode2(LBRACKET, &$2, $1.node, $3.node), &$4, LastWidth()); }
  | postfix.expression "(" ")"  { $$.node = SetEnd(NewNode1(CALL, &$2, $1.node), &$3); }
  | postfix.expression "(" argument.expression.list ")"
                                { $$.node = SetEnd(NewNode2(CALL, &$2, $1.node, $3.node), &$4); }
  | postfix.expression "(" argument.expression.list "," type.name ")"
                                { FreeChain($5.node); $$.node = SetEnd(NewNode2(CALL, &$2, $1.node, $3.node), &$6); }
  | postfix.expression "." identifier.or.typedef.name
                                { $$.node = NewNode2(DOT, &$2, $1.node, $3.node); }
  | postfix.expression "." constant
                                { $$.node = NewNode2(DOT, &$2, $1.node, $3.node); }
  | postfix.expression constant { $$.node = NewNode2(DOT, &$2, $1.node, $2.node); }
  | postfix.expression "->" identifier.or.typedef.name
                                { $$.node = NewNode2(ARROW, &$2, $1.node, $3.node); }
  | postfix.expression "++"     { $$.node = PostfixStep(INCREMENT, $1.node, $2); }
  | postfix.expression "--"     { $$.node = PostfixStep(DECREMENT, $1.node, $2); }
  | "(" type.name ")" braced.initializer
                                { $$.node = CastOf($1, $2.node, $3, $4.node); }
  | postfix.expression EXTENSION_CAST braced.initializer
                                { $$.node = ExtensionCast($1, $3.node); }
  ;

argument.expression.list:
    assignment.expression
  | argument.expression.list "," assignment.expression
                                { $$.node = AppendSiblings($1.node, $3.node); }
  ;

unary.expression:
    postfix.expression
  | "++" cast.expression        { $$.node = NewNode1(PRE_INCREMENT, &$1, $2.node); }
  | "--" cast.expression        { $$.node = NewNode1(PRE_DECREMENT, &$1, $2.node); }
  | unary.operator cast.expression
                                { $$.node = AddChild($1.node, $2.node); }
  | "sizeof" unary.expression   { $$.node = NewNode1(SIZEOF, &$1, $2.node); }
  | "sizeof" "(" type.name ")"  { $$.node = SetEnd(NewNode1(SIZEOF, &$1, $3.node), &$4); }
  | "sizeof" "(" type.name "," argument.expression.list ")"
                                { FreeChain($5.node); $$.node = SetEnd(NewNode1(SIZEOF, &$1, $3.node), &$6); }
  ;

unary.operator:
    "&"                         { $$.node = NewNode(AMPERSAND, &$1); }
  | "*"                         { $$.node = NewNode(STAR, &$1); }
  | "+"                         { $$.node = NewNode(PLUS, &$1); }
  | "-"                         { $$.node = NewNode(MINUS, &$1); }
  | "~"                         { $$.node = NewNode(TILDE, &$1); }
  | "!"                         { $$.node = NewNode(BANG, &$1); }
  ;

cast.expression:
    unary.expression
  | "(" type.name ")" cast.expression
                                { $$.node = CastOf($1, $2.node, $3, $4.node); }
  | postfix.expression EXTENSION_CAST cast.expression
                                { $$.node = ExtensionCast($1, $3.node); }
  | postfix.expression "(" EXTENSION_CAST type.name ")" cast.expression
                                { $$.node = ExtensionCast($1, CastOf($2, $4.node, $5, $6.node)); }
  | postfix.expression "(" EXTENSION_CAST type.name ")" braced.initializer
                                { $$.node = ExtensionCast($1, CastOf($2, $4.node, $5, $6.node)); }
  ;

multiplicative.expression:
    cast.expression
  | multiplicative.expression "*" cast.expression
                                { $$.node = NewNode2(STAR, &$2, $1.node, $3.node); }
  | multiplicative.expression "/" cast.expression
                                { $$.node = NewNode2(SLASH, &$2, $1.node, $3.node); }
  | multiplicative.expression "%" cast.expression
                                { $$.node = NewNode2(PERCENT, &$2, $1.node, $3.node); }
  ;

additive.expression:
    multiplicative.expression
  | additive.expression "+" multiplicative.expression
                                { $$.node = NewNode2(PLUS, &$2, $1.node, $3.node); }
  | additive.expression "-" multiplicative.expression
                                { $$.node = NewNode2(MINUS, &$2, $1.node, $3.node); }
  ;

shift.expression:
    additive.expression
  | shift.expression "<<" additive.expression
                                { $$.node = NewNode2(SHIFT_LEFT, &$2, $1.node, $3.node); }
  | shift.expression ">>" additive.expression
                                { $$.node = NewNode2(SHIFT_RIGHT, &$2, $1.node, $3.node); }
  ;

relational.expression:
    shift.expression
  | relational.expression "<" shift.expression
                                { $$.node = NewNode2(LESS, &$2, $1.node, $3.node); }
  | relational.expression ">" shift.expression
                                { $$.node = NewNode2(GREATER, &$2, $1.node, $3.node); }
  | relational.expression "<=" shift.expression
                                { $$.node = NewNode2(LESS_EQUAL, &$2, $1.node, $3.node); }
  | relational.expression ">=" shift.expression
                                { $$.node = NewNode2(GREATER_EQUAL, &$2, $1.node, $3.node); }
  ;

equality.expression:
    relational.expression
  | equality.expression "==" relational.expression
                                { $$.node = NewNode2(EQUAL_EQUAL, &$2, $1.node, $3.node); }
  | equality.expression "!=" relational.expression
                                { $$.node = NewNode2(NOT_EQUAL, &$2, $1.node, $3.node); }
  ;

AND.expression:
    equality.expression
  | AND.expression "&" equality.expression
                                { $$.node = NewNode2(AMPERSAND, &$2, $1.node, $3.node); }
  ;

exclusive.OR.expression:
    AND.expression
  | exclusive.OR.expression "^" AND.expression
                                { $$.node = NewNode2(CARET, &$2, $1.node, $3.node); }
  ;

inclusive.OR.expression:
    exclusive.OR.expression
  | inclusive.OR.expression "|" exclusive.OR.expression
                                { $$.node = NewNode2(BAR, &$2, $1.node, $3.node); }
  ;

logical.AND.expression:
    inclusive.OR.expression
  | logical.AND.expression "&&" inclusive.OR.expression
                                { $$.node = NewNode2(AND_AND, &$2, $1.node, $3.node); }
  ;

logical.OR.expression:
    logical.AND.expression
  | logical.OR.expression "||" logical.AND.expression
                                { $$.node = NewNode2(OR_OR, &$2, $1.node, $3.node); }
  ;

conditional.expression:
    logical.OR.expression
  | logical.OR.expression "?" comma.expression ":" conditional.expression
                                { $$.node = Conditional($1.node, $2, $3.node, $4, $5.node); }
  | logical.OR.expression "?" elision.marker error elision.end ":" conditional.expression
                                { $$.node = Conditional($1.node, $2, NewNode(SKIPPED, nullptr), $6, $7.node); }
  ;

assignment.expression:
    conditional.expression
  | cast.expression assignment.operator assignment.expression
                                { $$.node = Assignment($1.node, $2.node, $3.node); }
  ;

assignment.operator:
    "="                         { $$.node = NewNode(ASSIGN, &$1); }
  | "*="                        { $$.node = NewNode(MUL_ASSIGN, &$1); }
  | "/="                        { $$.node = NewNode(DIV_ASSIGN, &$1); }
  | "%="                        { $$.node = NewNode(MOD_ASSIGN, &$1); }
  | "+="                        { $$.node = NewNode(ADD_ASSIGN, &$1); }
  | "-="                        { $$.node = NewNode(SUB_ASSIGN, &$1); }
  | "<<="                       { $$.node = NewNode(SHL_ASSIGN, &$1); }
  | ">>="                       { $$.node = NewNode(SHR_ASSIGN, &$1); }
  | "&="                        { $$.node = NewNode(AND_ASSIGN, &$1); }
  | "^="                        { $$.node = NewNode(XOR_ASSIGN, &$1); }
  | "|="                        { $$.node = NewNode(OR_ASSIGN, &$1); }
  | "..."                       { $$.node = NewNode(ELLIPSIS, &$1); }
  ;

comma.expression:
    assignment.expression
  | comma.expression "," assignment.expression
                                { $$.node = NewNode2(COMMA, &$2, $1.node, $3.node); }
  ;

constant.expression:
    conditional.expression
  ;

/* ---- declarations, specifiers, struct, enum, parameters, type names ---- */

declaration:
    sue.declaration.specifier ";"
                                { $$.node = EndDeclaration($1.node, $2, false); }
  | sue.type.specifier ";"      { $$.node = EndDeclaration($1.node, $2, false); }
  | declaring.list ";"          { $$.node = EndDeclaration($1.node, $2, true); }
  | default.declaring.list ";"  { $$.node = EndDeclaration($1.node, $2, false); }
  ;

declaring.list:
    declaration.specifier declarator initializer.opt
                                { $$.node = FirstDeclarator($1.node, $2, $3.node, true); }
  | type.specifier declarator initializer.opt
                                { $$.node = FirstDeclarator($1.node, $2, $3.node, false); }
  | declaring.list "," declarator initializer.opt
                                { $$.node = NextDeclarator($1.node, $3, $4.node); }
  ;

default.declaring.list:
    declaration.qualifier.list identifier.declarator initializer.opt
                                { $$.node = QualifiedDeclarator($1.node, $2, $3.node); }
  | type.qualifier.list identifier.declarator initializer.opt
                                { $$.node = QualifiedDeclarator($1.node, $2, $3.node); }
  | default.declaring.list "," identifier.declarator initializer.opt
                                { $$.node = NextDeclarator($1.node, $3, $4.node); }
  ;

declaration.specifier:
    basic.declaration.specifier
  | sue.declaration.specifier
  | typedef.declaration.specifier
  ;

type.specifier:
    basic.type.specifier
  | sue.type.specifier
  | typedef.type.specifier
  ;

declaration.qualifier.list:
    storage.class
  | type.qualifier.list storage.class
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | declaration.qualifier.list declaration.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

type.qualifier.list:
    type.qualifier
  | type.qualifier.list type.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

declaration.qualifier:
    type.qualifier
  | storage.class
  ;

type.qualifier:
    "const"                     { $$.node = NewNode(CONST, &$1); }
  | "volatile"                  { $$.node = NewNode(VOLATILE, &$1); }
  | EXTRA_QUALIFIER             { $$.node = nullptr; }
  ;

storage.class:
    "typedef"                   { $$.node = StorageClass(TYPEDEF); }
  | "extern"                    { $$.node = StorageClass(EXTERN); }
  | "static"                    { $$.node = StorageClass(STATIC); }
  | "auto"                      { $$.node = StorageClass(AUTO); }
  | "register"                  { $$.node = StorageClass(REGISTER); }
  ;

basic.type.name:
    "void"                      { $$.node = NewNode(VOID, &$1); }
  | "char"                      { $$.node = NewNode(CHAR, &$1); }
  | "short"                     { $$.node = NewNode(SHORT, &$1); }
  | "int"                       { $$.node = NewNode(INT, &$1); }
  | "long"                      { $$.node = NewNode(LONG, &$1); }
  | "float"                     { $$.node = NewNode(FLOAT, &$1); }
  | "double"                    { $$.node = NewNode(DOUBLE, &$1); }
  | "signed"                    { $$.node = NewNode(SIGNED, &$1); }
  | "unsigned"                  { $$.node = NewNode(UNSIGNED, &$1); }
  ;

basic.declaration.specifier:
    basic.type.specifier storage.class
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | declaration.qualifier.list basic.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | basic.declaration.specifier declaration.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | basic.declaration.specifier basic.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

basic.type.specifier:
    basic.type.name
  | type.qualifier.list basic.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | basic.type.specifier type.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | basic.type.specifier basic.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

sue.declaration.specifier:
    sue.type.specifier storage.class
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | declaration.qualifier.list elaborated.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | sue.declaration.specifier declaration.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

sue.type.specifier:
    elaborated.type.name
  | type.qualifier.list elaborated.type.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | sue.type.specifier type.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

typedef.declaration.specifier:
    typedef.type.specifier storage.class
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | declaration.qualifier.list TYPE_NAME
                                { $$.node = AppendSiblings($1.node, NameLeaf(TYPE_NAME, $2)); }
  | typedef.declaration.specifier declaration.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

typedef.type.specifier:
    TYPE_NAME                   { $$.node = NameLeaf(TYPE_NAME, $1); }
  | TYPE_NAME basic.type.name   { FreeChain($2.node); $$.node = NameLeaf(TYPE_NAME, $1); }
  | type.qualifier.list TYPE_NAME
                                { $$.node = AppendSiblings($1.node, NameLeaf(TYPE_NAME, $2)); }
  | typedef.type.specifier type.qualifier
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

elaborated.type.name:
    aggregate.type.name
  | enum.type.name
  ;

aggregate.type.name:
    aggregate.key "{" member.declaration.list "}"
  | aggregate.key identifier.or.typedef.name "{" member.declaration.list "}"
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | aggregate.key identifier.or.typedef.name
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

aggregate.key:
    "struct"                    { $$.node = NewNode(STRUCT, &$1); }
  | "union"                     { $$.node = NewNode(UNION, &$1); }
  ;

/* Members build no nodes and register nothing. */
member.declaration.list:
    %empty                      { $$ = EmptyValue(); }
  | member.declaration.list member.declaration
  ;

member.declaration:
    member.declaring.list ";"   { $$.node = Drop($1.node); }
  | member.default.declaring.list ";"
                                { $$.node = Drop($1.node); }
  | typedef.type.specifier ";"  { $$.node = Drop($1.node); }
  | enum.type.name ";"          { $$.node = Drop($1.node); }
  | ";"
  ;

member.declaring.list:
    aggregate.type.name         { $$.node = Drop($1.node); }
  | type.specifier member.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | member.declaring.list "," member.declarator
                                { $$.node = Drop2($1.node, $3.node); }
  ;

member.default.declaring.list:
    type.qualifier.list member.identifier.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | member.default.declaring.list "," member.identifier.declarator
                                { $$.node = Drop2($1.node, $3.node); }
  ;

member.declarator:
    declarator bit.field.size.opt
                                { $$.node = Drop2($1.node, $2.node); }
  | bit.field.size              { $$.node = Drop($1.node); }
  ;

member.identifier.declarator:
    identifier.declarator bit.field.size.opt
                                { $$.node = Drop2($1.node, $2.node); }
  | bit.field.size              { $$.node = Drop($1.node); }
  ;

bit.field.size.opt:
    %empty                      { $$ = EmptyValue(); }
  | bit.field.size
  ;

bit.field.size:
    ":" constant.expression     { $$.node = Drop($2.node); }
  ;

enum.type.name:
    "enum" "{" enum.open enumerator.list comma.opt "}"
                                { $$.node = CloseEnumerators(); }
  | "enum" identifier.or.typedef.name "{" enum.open.named enumerator.list comma.opt "}"
                                { FreeChain($2.node); $$.node = CloseEnumerators(); }
  | "enum" identifier.or.typedef.name
                                { $$.node = Drop($2.node); }
  ;

enum.open:
    %empty                      { $$ = EmptyValue(); OpenEnumerators(); }
  ;

enum.open.named:
    %empty                      { $$ = EmptyValue(); OpenEnumerators(); }
  ;

enumerator.list:
    identifier.or.typedef.name enumerator.value.opt
                                { $$.node = Enumerator($1, $2.node); }
  | enumerator.list "," identifier.or.typedef.name enumerator.value.opt
                                { $$.node = Enumerator($3, $4.node); }
  ;

enumerator.value.opt:
    %empty                      { $$ = EmptyValue(); }
  | "=" constant.expression     { $$.node = $2.node; }
  ;

comma.opt:
    %empty                      { $$ = EmptyValue(); }
  | ","
  ;

/* Parameters are not registered and leave no node. */
parameter.type.list:
    parameter.list
  | parameter.list "," "..."
  ;

parameter.list:
    parameter.declaration
  | parameter.list "," parameter.declaration
  ;

parameter.declaration:
    declaration.specifier       { $$.node = Drop($1.node); }
  | declaration.specifier abstract.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | declaration.specifier identifier.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | declaration.specifier parameter.typedef.declarator
                                { $$.node = TypedefParameter($1.node, $2); }
  | declaration.qualifier.list  { $$.node = Drop($1.node); }
  | declaration.qualifier.list abstract.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | declaration.qualifier.list identifier.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | type.specifier              { $$.node = Drop($1.node); }
  | type.specifier abstract.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | type.specifier identifier.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | type.specifier parameter.typedef.declarator
                                { $$.node = TypedefParameter($1.node, $2); }
  | type.qualifier.list         { $$.node = Drop($1.node); }
  | type.qualifier.list abstract.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  | type.qualifier.list identifier.declarator
                                { $$.node = Drop2($1.node, $2.node); }
  ;

type.name:
    type.specifier              { $$.node = NewNode1(ABSTRACT_TYPE, &$1, $1.node); }
  | type.specifier abstract.declarator
                                { $$.node = NewNode2(ABSTRACT_TYPE, &$1, $1.node, $2.node); }
  | type.qualifier.list         { $$.node = NewNode1(ABSTRACT_TYPE, &$1, $1.node); }
  | type.qualifier.list abstract.declarator
                                { $$.node = NewNode2(ABSTRACT_TYPE, &$1, $1.node, $2.node); }
  ;

/* ---- initializers and designators ---- */

initializer.opt:
    %empty                      { $$ = EmptyValue(); }
  | "=" initializer             { $$.node = Initializer($1, $2.node); }
  | SKIPPED                     { $$.node = nullptr; }
  ;

initializer:
    braced.initializer
  | assignment.expression
  | identifier.or.typedef.name ":" initializer
                                { FreeChain($1.node); $$.node = $3.node; }
  ;

braced.initializer:
    "{" initializer.list "}"    { $$.node = BraceInitializer($1, $2.node, $3); }
  | "{" initializer.list "," "}"
                                { $$.node = BraceInitializer($1, $2.node, $4); }
  | "{" "}"                     { $$.node = BraceInitializer($1, nullptr, $2); }
  ;

initializer.list:
    designation.opt initializer { $$.node = $2.node; }
  | initializer.list "," designation.opt initializer
                                { $$.node = AppendSiblings($1.node, $4.node); }
  ;

/* Designators are not kept. */
designation.opt:
    %empty                      { $$ = EmptyValue(); }
  | designator.list "="
  ;

designator.list:
    designator
  | designator.list designator
  ;

designator:
    "[" constant.expression "]" { $$.node = Drop($2.node); }
  | "[" constant.expression "..." constant.expression "]"
                                { $$.node = Drop2($2.node, $4.node); }
  | "." IDENTIFIER
  | "." TYPE_NAME
  ;

/* ---- statements ---- */

declaration.list:
    declaration
  | declaration.list declaration
                                { $$.node = AppendSiblings($1.node, $2.node); }
  ;

compound.statement:
    block.open "}"              { $$.node = CompoundStatement($1, nullptr, $2); }
  | block.open block.item.list "}"
                                { $$.node = CompoundStatement($1, $2.node, $3); }
  ;

block.open:
    "{"                         { $$ = $1; OpenBlock(); }
  ;

block.item.list:
    block.item
  | block.item.list block.item  { $$.node = AppendSiblings($1.node, $2.node); }
  ;

block.item:
    declaration
  | statement
  ;

statement:
    labeled.statement
  | compound.statement
  | expression.statement
  | selection.statement
  | iteration.statement
  | jump.statement
  | try.statement
  | asm.statement
  ;

labeled.statement:
    identifier.or.typedef.name ":" statement
                                { $$.node = SetEnd(NewNode2(LABEL, &$1, $1.node, $3.node), &$2); }
  | "case" constant.expression ":" statement
                                { $$.node = SetEnd(NewNode2(CASE, &$1, $2.node, $4.node), &$3); }
  | "case" constant.expression "..." constant.expression ":" statement
                                { $$.node = SetEnd(NewNode2(CASE, &$1, NewNode2(ELLIPSIS, &$3, $2.node, $4.node), $6.node), &$5); }
  | "default" ":" statement     { $$.node = SetEnd(NewNode1(DEFAULT, &$1, $3.node), &$2); }
  | identifier.or.typedef.name ":" goto.label.marker error
                                { $$.node = EmptyLabel(LABEL, $1, $1.node, $2); }
  | "case" constant.expression ":" case.label.marker error
                                { $$.node = EmptyLabel(CASE, $1, $2.node, $3); }
  | "default" ":" default.label.marker error
                                { $$.node = EmptyLabel(DEFAULT, $1, nullptr, $2); }
  ;

goto.label.marker:
    %empty                      { $$ = EmptyValue(); SetAnachronism(ANACHRONISM_GOTO_LABEL); }
  ;

case.label.marker:
    %empty                      { $$ = EmptyValue(); SetAnachronism(ANACHRONISM_CASE_LABEL); }
  ;

default.label.marker:
    %empty                      { $$ = EmptyValue(); SetAnachronism(ANACHRONISM_DEFAULT_LABEL); }
  ;

elision.marker:
    %empty                      { $$ = EmptyValue(); SetAnachronism(ANACHRONISM_ELISION); }
  ;

elision.end:
    %empty                      { $$ = EmptyValue(); SetAnachronism(nullptr); }
  ;

expression.statement:
    comma.expression.opt ";"    { $$.node = ExpressionStatement($1.node, $2); }
  ;

comma.expression.opt:
    %empty                      { $$ = EmptyValue(); }
  | comma.expression
  ;

selection.statement:
    "if" "(" comma.expression ")" statement
                                { $$.node = NewNode2(IF, &$1, $3.node, $5.node); }
  | "if" "(" comma.expression ")" statement "else" statement
                                { $$.node = NewNode3(IF, &$1, $3.node, $5.node, NewNode1(ELSE, &$6, $7.node)); }
  | "switch" "(" comma.expression ")" statement
                                { $$.node = SetEnd(NewNode2(SWITCH, &$1, $3.node, $5.node), &$4); }
  ;

iteration.statement:
    "while" "(" comma.expression ")" statement
                                { $$.node = NewNode2(WHILE, &$1, $3.node, $5.node); }
  | "do" statement "while" "(" comma.expression ")" ";"
                                { $$.node = SetEnd(NewNode2(DO, &$1, $5.node, $2.node), &$7); }
  | "for" "(" comma.expression.opt ";" comma.expression.opt ";" comma.expression.opt ")" statement
                                { $$.node = ForStatement($1, $3.node, $5.node, $7.node, $9.node); }
  | "for" "(" for.scope.open declaration comma.expression.opt ";" comma.expression.opt ")" statement
                                { $$.node = ForDeclarationStatement($1, $4.node, $5.node, $7.node, $9.node); }
  ;

for.scope.open:
    %empty                      { $$ = EmptyValue(); OpenBlock(); }
  ;

jump.statement:
    "goto" identifier.or.typedef.name ";"
                                { $$.node = SetEnd(NewNode1(GOTO, &$1, $2.node), &$3); }
  | "goto" "*" cast.expression ";"
                                { $$.node = SetEnd(NewNode1(GOTO, &$1, NewNode1(STAR, &$2, $3.node)), &$4); }
  | "continue" ";"              { $$.node = SetEnd(NewNode(CONTINUE, &$1), &$2); }
  | "break" ";"                 { $$.node = SetEnd(NewNode(BREAK, &$1), &$2); }
  | "return" comma.expression.opt ";"
                                { $$.node = SetEnd(NewNode1(RETURN, &$1, OrSkipped($2.node)), &$3); }
  ;

try.statement:
    TRY compound.statement except.clause
                                { $$.node = NewNode2(TRY, &$1, $2.node, $3.node); }
  | TRY compound.statement finally.clause
                                { $$.node = NewNode2(TRY, &$1, $2.node, $3.node); }
  | TRY compound.statement except.clause finally.clause
                                { $$.node = NewNode3(TRY, &$1, $2.node, $3.node, $4.node); }
  | LEAVE ";"                   { $$.node = SetEnd(NewNode(CONTINUE, &$1), &$2); }
  ;

except.clause:
    EXCEPT compound.statement   { $$.node = NewNode1(EXCEPT, &$1, $2.node); }
  ;

finally.clause:
    FINALLY compound.statement  { $$.node = NewNode1(FINALLY, &$1, $2.node); }
  ;

asm.statement:
    ASM_STATEMENT               { $$.node = AsmStatement($1); }
  | ASM_STATEMENT ";"           { $$.node = SetEnd(NewNode(SKIPPED, &$1), &$2); }
  ;

/* ---- top level ---- */

translation.unit:
    external.definition.list    { TranslationUnit($1.node); $$.node = nullptr; }
  ;

external.definition.list:
    %empty                      { $$ = EmptyValue(); }
  | external.definition.list external.definition
                                { $$.node = AppendSiblings($1.node, KeepDefinition($2.node)); }
  ;

external.definition:
    function.definition
  | declaration                 { $$ = $1; ClearPendingParameters(); }
  | SKIPPED                     { $$.node = nullptr; }
  | ";"
  ;

function.definition:
    identifier.declarator compound.statement
                                { $$.node = FunctionDefinition(nullptr, $1, $2.node); }
  | declaration.specifier identifier.declarator compound.statement
                                { $$.node = FunctionDefinition($1.node, $2, $3.node); }
  | type.specifier identifier.declarator compound.statement
                                { $$.node = FunctionDefinition($1.node, $2, $3.node); }
  | declaration.qualifier.list identifier.declarator compound.statement
                                { $$.node = FunctionDefinition($1.node, $2, $3.node); }
  | type.qualifier.list identifier.declarator compound.statement
                                { $$.node = FunctionDefinition($1.node, $2, $3.node); }
  | old.function.declarator ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition(nullptr, $1, nullptr, $3.node); }
  | declaration.specifier old.function.declarator ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, nullptr, $4.node); }
  | type.specifier old.function.declarator ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, nullptr, $4.node); }
  | declaration.qualifier.list old.function.declarator ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, nullptr, $4.node); }
  | type.qualifier.list old.function.declarator ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, nullptr, $4.node); }
  | old.function.declarator declaration.list ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition(nullptr, $1, $2.node, $4.node); }
  | declaration.specifier old.function.declarator declaration.list ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, $3.node, $5.node); }
  | type.specifier old.function.declarator declaration.list ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, $3.node, $5.node); }
  | declaration.qualifier.list old.function.declarator declaration.list ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, $3.node, $5.node); }
  | type.qualifier.list old.function.declarator declaration.list ellipsis.opt compound.statement
                                { $$.node = OldFunctionDefinition($1.node, $2, $3.node, $5.node); }
  | error                       { $$.node = nullptr; }
  ;

ellipsis.opt:
    %empty                      { $$ = EmptyValue(); }
  | "..."
  ;

/* ---- declarators ---- */

declarator:
    typedef.declarator
  | identifier.declarator
  ;

/* A typedef name declared again as an ordinary name. */
typedef.declarator:
    paren.typedef.declarator
  | parameter.typedef.declarator
  ;

parameter.typedef.declarator:
    TYPE_NAME                   { $$.node = NameLeaf(TYPE_NAME, $1); }
  | TYPE_NAME postfixing.abstract.declarator
                                { $$.node = AppendSiblings(NameLeaf(TYPE_NAME, $1), $2.node); }
  | clean.typedef.declarator
  ;

clean.typedef.declarator:
    clean.postfix.typedef.declarator
  | "*" parameter.typedef.declarator
                                { $$ = NamedPointer($1, nullptr, $2); }
  | "*" type.qualifier.list parameter.typedef.declarator
                                { $$ = NamedPointer($1, $2.node, $3); }
  ;

clean.postfix.typedef.declarator:
    "(" clean.typedef.declarator ")"
                                { $$ = Inner($1, $2, nullptr); }
  | "(" clean.typedef.declarator ")" postfixing.abstract.declarator
                                { $$ = Inner($1, $2, $4.node); }
  ;

paren.typedef.declarator:
    paren.postfix.typedef.declarator
  | "*" "(" simple.paren.typedef.declarator ")"
                                { $$ = Pointer($1, nullptr, $3); }
  | "*" type.qualifier.list "(" simple.paren.typedef.declarator ")"
                                { $$ = Pointer($1, $2.node, $4); }
  | "*" paren.typedef.declarator
                                { $$ = Pointer($1, nullptr, $2); }
  | "*" type.qualifier.list paren.typedef.declarator
                                { $$ = Pointer($1, $2.node, $3); }
  ;

paren.postfix.typedef.declarator:
    "(" paren.typedef.declarator ")"
                                { $$ = Inner($1, $2, nullptr); }
  | "(" simple.paren.typedef.declarator postfixing.abstract.declarator ")"
                                { $$ = Inner($1, $2, $3.node); }
  | "(" paren.typedef.declarator ")" postfixing.abstract.declarator
                                { $$ = Inner($1, $2, $4.node); }
  ;

simple.paren.typedef.declarator:
    TYPE_NAME                   { $$.node = NameLeaf(TYPE_NAME, $1); }
  | "(" simple.paren.typedef.declarator ")"
                                { $$ = Inner($1, $2, nullptr); }
  ;

identifier.declarator:
    unary.identifier.declarator
  | paren.identifier.declarator
  ;

unary.identifier.declarator:
    postfix.identifier.declarator
  | "*" identifier.declarator   { MarkPointer(); $$ = Pointer($1, nullptr, $2); }
  | "*" type.qualifier.list identifier.declarator
                                { MarkPointer(); $$ = Pointer($1, $2.node, $3); }
  ;

postfix.identifier.declarator:
    paren.identifier.declarator postfixing.abstract.declarator
                                { $$.node = AppendSiblings($1.node, $2.node); }
  | "(" unary.identifier.declarator ")"
                                { $$ = Inner($1, $2, nullptr); }
  | "(" unary.identifier.declarator ")" postfixing.abstract.declarator
                                { $$ = ParenDeclarator($1, $2, $4.node); }
  ;

paren.identifier.declarator:
    IDENTIFIER                  { $$.node = NameLeaf(IDENTIFIER, $1); }
  | "(" paren.identifier.declarator ")"
                                { $$ = Inner($1, $2, nullptr); }
  ;

old.function.declarator:
    postfix.old.function.declarator
                                { $$ = $1; MarkOldStyle(); }
  | "*" old.function.declarator { MarkOldStyle(); $$ = Pointer($1, nullptr, $2); }
  | "*" type.qualifier.list old.function.declarator
                                { MarkOldStyle(); $$ = Pointer($1, $2.node, $3); }
  ;

postfix.old.function.declarator:
    paren.identifier.declarator "(" identifier.list ")"
  | "(" old.function.declarator ")"
                                { $$ = ParenOldDeclarator($1, $2, nullptr); }
  | "(" old.function.declarator ")" postfixing.abstract.declarator
                                { $$ = ParenOldDeclarator($1, $2, $4.node); }
  ;

/* The identifiers of an old-style parameter list are not kept. */
identifier.list:
    IDENTIFIER
  | identifier.list "," IDENTIFIER
  ;

postfixing.abstract.declarator:
    array.abstract.declarator
  | "(" ")"                     { $$.node = MarkCall(); }
  | "(" parameter.type.list ")" { $$.node = MarkCall(); }
  ;

array.abstract.declarator:
    "[" array.dimension "]"     { $$.node = SetEndWidth(NewNode1(LBRACKET, &$1, $2.node), &$3, LastWidth()); }
  | array.abstract.declarator "[" array.dimension "]"
                                { $$.node = FurtherDimension($1, $3.node, $4); }
  ;

array.dimension:
    %empty                      { $$ = EmptyValue(); }
  | type.qualifier.list         { $$.node = Drop($1.node); }
  | assignment.expression
  | type.qualifier.list assignment.expression
                                { FreeChain($1.node); $$.node = $2.node; }
  | "static" assignment.expression
                                { $$.node = $2.node; }
  | "static" type.qualifier.list assignment.expression
                                { FreeChain($2.node); $$.node = $3.node; }
  | type.qualifier.list "static" assignment.expression
                                { FreeChain($1.node); $$.node = $3.node; }
  | type.qualifier.list "*"     { FreeChain($1.node); $$.node = NewNode(STAR, &$2); }
  | "*"                         { $$.node = NewNode(STAR, &$1); }
  ;

abstract.declarator:
    unary.abstract.declarator
  | postfix.abstract.declarator
  | postfixing.abstract.declarator
  ;

unary.abstract.declarator:
    "*"                         { $$.node = NewNode(STAR, &$1); }
  | "*" type.qualifier.list     { $$.node = NewNode1(STAR, &$1, $2.node); }
  | "*" abstract.declarator     { $$.node = NewNode1(STAR, &$1, $2.node); }
  | "*" type.qualifier.list abstract.declarator
                                { $$.node = NewNode2(STAR, &$1, $2.node, $3.node); }
  ;

postfix.abstract.declarator:
    "(" unary.abstract.declarator ")"
                                { $$.node = NewNode1(LPAREN, &$1, $2.node); }
  | "(" postfix.abstract.declarator ")"
                                { $$.node = NewNode1(LPAREN, &$1, $2.node); }
  | "(" postfixing.abstract.declarator ")"
                                { $$.node = NewNode1(LPAREN, &$1, $2.node); }
  | "(" unary.abstract.declarator ")" postfixing.abstract.declarator
                                { $$.node = AppendSiblings(NewNode1(LPAREN, &$1, $2.node), $4.node); }
  ;

%%

/* Every kind of the numbering is a parser token of the same code; bison
 * names its predefined error token YYerror. */
#define TK_ERROR TK_YYerror
#define TARSK1_SAME_CODE(kindName, kindCode) \
    static_assert(static_cast<int>(TK_##kindName) == kindCode, "parser token " #kindName " keeps its kind code");
TARSK1_KINDS(TARSK1_SAME_CODE)
#undef TARSK1_SAME_CODE
#undef TK_ERROR

/* ---- "__extension__ (type)" as a cast ----
 * The scanner reads the group as one identifier. Right after it, or after
 * the "(" that follows it, a token that the parser could not shift there
 * makes the identifier reading a syntax error; when EXTENSION_CAST followed
 * by that token can be shifted instead, the marker goes first and the group
 * becomes a cast. Every input the identifier reading accepts is unchanged. */

namespace {

enum class CastStage { None, AfterGroup, AfterGroupParen };
CastStage castStage = CastStage::None;

// A token read but not yet delivered, because EXTENSION_CAST went first.
struct HeldToken {
    bool present;
    int code;
    ParseValue value;
    bool typeGroup;
} held;

// Whether the parser, with the states bottom..top, can shift the codes in
// turn: the reductions before each shift are replayed on states kept apart,
// above the part of the real stack they have not popped.
template <typename State>
bool CanShift(const State *bottom, const State *top, std::initializer_list<int> codes)
{
    std::vector<int> above;
    const State *base = top;
    auto current = [&]() { return above.empty() ? static_cast<int>(*base) : above.back(); };
    for (int code : codes) {
        const int symbol = YYTRANSLATE(code);
        for (;;) {
            const int state = current();
            int rule = yydefact[state];
            int at = yypact[state];
            if (!yypact_value_is_default(at) && (at += symbol) >= 0 && at <= YYLAST && yycheck[at] == symbol) {
                const int action = yytable[at];
                if (action > 0) {
                    above.push_back(action);
                    break;
                }
                if (yytable_value_is_error(action)) return false;
                rule = -action;
            }
            if (rule == 0) return false;
            for (int k = yyr2[rule]; k > 0; --k) {
                if (!above.empty()) above.pop_back();
                else if (base > bottom) --base;
                else return false;
            }
            const int lhs = yyr1[rule] - YYNTOKENS;
            const int from = current();
            const int go = yypgoto[lhs] + from;
            above.push_back(0 <= go && go <= YYLAST && yycheck[go] == from ? yytable[go] : yydefgoto[lhs]);
        }
    }
    return true;
}

// Decides what the parser gets for code, the token after a type group (or
// after its "("), and moves the stage on.
template <typename State>
int ExtensionCastOr(const State *bottom, const State *top, int code, bool typeGroup)
{
    const CastStage stage = castStage;
    castStage = typeGroup ? CastStage::AfterGroup : CastStage::None;
    if (stage == CastStage::None) return code;
    if (CanShift(bottom, top, {code})) {
        if (stage == CastStage::AfterGroup && code == TK_LPAREN) castStage = CastStage::AfterGroupParen;
        return code;
    }
    if (!CanShift(bottom, top, {TK_EXTENSION_CAST, code})) return code;
    held = HeldToken{true, code, yylval, typeGroup};
    castStage = CastStage::None;
    return TK_EXTENSION_CAST;
}

void ResetExtensionCasts()
{
    castStage = CastStage::None;
    held = HeldToken{};
}

}  // namespace

template <typename State>
static int ParserLex(const State *bottom, const State *top)
{
    if (held.present) {
        held.present = false;
        yylval = held.value;
        castStage = held.typeGroup ? CastStage::AfterGroup : CastStage::None;
        return held.code;
    }
    int code = NextToken();
    yylval = TokenValue();
    yylval.node = nullptr;
    code = IsParserToken(code) ? code : TK_YYUNDEF;
    return ExtensionCastOr(bottom, top, code, code == TK_IDENTIFIER && TypeGroupToken());
}

/* Bison reports "syntax error", or "memory exhausted" when the stacks
 * cannot grow. */
static void yyerror(const char *message)
{
    ReportParseError(message);
}

uint16_t ParseFile(const char *path, bool isDefinitionFile, SyntaxNode **outTree,
                   CountedList **fileList, const char *const *excludedDirs)
{
    ResetAppendCache();
    FILE *input = OpenScannerFile(path, isDefinitionFile);
    SetPragmaFileList(fileList);
    BeginParse(isDefinitionFile, excludedDirs);
    ResetExtensionCasts();

    int result = yyparse() == 0 ? 0 : 1;

    CloseScannerFile(input);
    closeWarningFile(path);
    SyntaxNode *root = TakeRoot();
    if (outTree) {
        if (root) {
            root->end.place = InternPlace(Scanner().currentFile, Scanner().currentDirectory, 0);
        }
        *outTree = root;
    } else {
        FreeTree(root);
    }
    uint16_t errors = ParseErrorCount();
    return errors != 0 || result == 0 ? errors : 1;
}
