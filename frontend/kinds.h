// The one numbering of token codes and syntax-node kinds shared by the C
// scanner, the grammar and the metrics pass: 0 end of input, 256 the parser's
// error token, 257 to 348 tokens, 349 to 366 node kinds only, 367 and 368 tokens.
// TARSK1_KINDS is the one table of names and codes: the enum and KindName are
// built from it here, and the grammar checks its token declarations against it.
#pragma once

#define TARSK1_KINDS(X) \
    X(END, 0) \
    X(ERROR, 256) \
    X(AUTO, 257) \
    X(DOUBLE, 258) \
    X(INT, 259) \
    X(STRUCT, 260) \
    X(BREAK, 261) \
    X(ELSE, 262) \
    X(LONG, 263) \
    X(SWITCH, 264) \
    X(CASE, 265) \
    X(ENUM, 266) \
    X(REGISTER, 267) \
    X(TYPEDEF, 268) \
    X(CHAR, 269) \
    X(EXTERN, 270) \
    X(RETURN, 271) \
    X(UNION, 272) \
    X(CONST, 273) \
    X(FLOAT, 274) \
    X(SHORT, 275) \
    X(UNSIGNED, 276) \
    X(CONTINUE, 277) \
    X(FOR, 278) \
    X(SIGNED, 279) \
    X(VOID, 280) \
    X(DEFAULT, 281) \
    X(GOTO, 282) \
    X(SIZEOF, 283) \
    X(VOLATILE, 284) \
    X(DO, 285) \
    X(IF, 286) \
    X(STATIC, 287) \
    X(WHILE, 288) \
    X(IDENTIFIER, 289) \
    X(STRING_LITERAL, 290) \
    X(FLOATING_CONSTANT, 291) \
    X(INTEGER_CONSTANT, 292) \
    X(CHARACTER_CONSTANT, 293) \
    X(OCTAL_CONSTANT, 294) \
    X(HEX_CONSTANT, 295) \
    X(TYPE_NAME, 296) \
    X(ARROW, 297) \
    X(INCREMENT, 298) \
    X(DECREMENT, 299) \
    X(SHIFT_LEFT, 300) \
    X(SHIFT_RIGHT, 301) \
    X(LESS_EQUAL, 302) \
    X(GREATER_EQUAL, 303) \
    X(EQUAL_EQUAL, 304) \
    X(NOT_EQUAL, 305) \
    X(AND_AND, 306) \
    X(OR_OR, 307) \
    X(ELLIPSIS, 308) \
    X(MUL_ASSIGN, 309) \
    X(DIV_ASSIGN, 310) \
    X(MOD_ASSIGN, 311) \
    X(ADD_ASSIGN, 312) \
    X(SUB_ASSIGN, 313) \
    X(SHL_ASSIGN, 314) \
    X(SHR_ASSIGN, 315) \
    X(AND_ASSIGN, 316) \
    X(XOR_ASSIGN, 317) \
    X(OR_ASSIGN, 318) \
    X(BANG, 319) \
    X(QUESTION, 320) \
    X(DOT, 321) \
    X(AMPERSAND, 322) \
    X(TILDE, 323) \
    X(ASSIGN, 324) \
    X(LESS, 325) \
    X(GREATER, 326) \
    X(PLUS, 327) \
    X(MINUS, 328) \
    X(STAR, 329) \
    X(SLASH, 330) \
    X(SEMICOLON, 331) \
    X(COMMA, 332) \
    X(COLON, 333) \
    X(LPAREN, 334) \
    X(RPAREN, 335) \
    X(LBRACKET, 336) \
    X(RBRACKET, 337) \
    X(LBRACE, 338) \
    X(RBRACE, 339) \
    X(PERCENT, 340) \
    X(CARET, 341) \
    X(BAR, 342) \
    X(EXTRA_QUALIFIER, 343) \
    X(TRY, 344) \
    X(EXCEPT, 345) \
    X(FINALLY, 346) \
    X(LEAVE, 347) \
    X(BINARY_CONSTANT, 348) \
    X(TRANSLATION_UNIT, 349) \
    X(RESERVED_350, 350) \
    X(FUNCTION_DEFINITION, 351) \
    X(FUNCTION_HEAD, 352) \
    X(CALL, 353) \
    X(INIT_DECLARATOR, 354) \
    X(FOR_INIT_DECLARATION, 355) \
    X(INITIALIZER, 356) \
    X(STATIC_INITIALIZER, 357) \
    X(CAST, 358) \
    X(ABSTRACT_TYPE, 359) \
    X(LABEL, 360) \
    X(PRE_INCREMENT, 361) \
    X(PRE_DECREMENT, 362) \
    X(STRING_CONCAT, 363) \
    X(BRACE_INITIALIZER, 364) \
    X(EXPRESSION_STATEMENT, 365) \
    X(PAREN_DECLARATOR, 366) \
    X(SKIPPED, 367) \
    X(ASM_STATEMENT, 368)

enum TokenKind : int {
#define TARSK1_KIND_ENUMERATOR(kindName, kindCode) kindName = kindCode,
    TARSK1_KINDS(TARSK1_KIND_ENUMERATOR)
#undef TARSK1_KIND_ENUMERATOR
};

enum : int { FIRST_KEYWORD = AUTO, LAST_KEYWORD = WHILE, LAST_KIND = ASM_STATEMENT };

// Upper-case name of a code ("END", "ERROR", "IDENTIFIER", ...); "?" for a
// number outside the numbering.
const char *KindName(int code);
