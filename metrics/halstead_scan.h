// Between the Halstead scanner (halstead.l) and the pass that drives it
// (halstead.cpp): the operator kinds, the scanner's entry points, and the pass
// routines that the scanner's actions call.
#pragma once

#include <cstddef>
#include <cstdio>

// The 75 operator kinds. Closing brackets and blanks count as nothing.
// clang-format off
enum HalsteadOperator : int {
    // the 32 keywords
    HT_AUTO, HT_DOUBLE, HT_INT, HT_STRUCT, HT_BREAK, HT_ELSE, HT_LONG, HT_SWITCH,
    HT_CASE, HT_ENUM, HT_REGISTER, HT_TYPEDEF, HT_CHAR, HT_EXTERN, HT_RETURN, HT_UNION,
    HT_CONST, HT_FLOAT, HT_SHORT, HT_UNSIGNED, HT_CONTINUE, HT_FOR, HT_SIGNED, HT_VOID,
    HT_DEFAULT, HT_GOTO, HT_SIZEOF, HT_VOLATILE, HT_DO, HT_IF, HT_STATIC, HT_WHILE,
    // the 43 punctuators
    HT_ARROW, HT_INC, HT_DEC, HT_SHL, HT_SHR, HT_LE, HT_GE, HT_EQ, HT_NE, HT_ANDAND,
    HT_OROR, HT_ELLIPSIS, HT_MUL_ASSIGN, HT_DIV_ASSIGN, HT_MOD_ASSIGN, HT_ADD_ASSIGN,
    HT_SUB_ASSIGN, HT_SHL_ASSIGN, HT_SHR_ASSIGN, HT_AND_ASSIGN, HT_XOR_ASSIGN, HT_OR_ASSIGN,
    HT_NOT, HT_QUESTION, HT_DOT, HT_AMP, HT_TILDE, HT_ASSIGN, HT_LT, HT_GT, HT_PLUS,
    HT_MINUS, HT_STAR, HT_SLASH, HT_SEMI, HT_COMMA, HT_COLON, HT_LPAREN, HT_LBRACKET,
    HT_LBRACE, HT_PERCENT, HT_CARET, HT_BAR,
    HT_OPERATOR_LIMIT  // one past the last operator kind
};
// clang-format on

// Scanner side (halstead.l).
void halsteadScanBegin(FILE *file);
void halsteadScan();  // scans the whole input
// What the buffer holds beyond the read position, for the comment reader to
// scan in place; empty at the end of the buffer, which a raw read refills.
struct HalsteadSpan {
    const char *begin;
    const char *end;
};
HalsteadSpan halsteadBuffered();
void halsteadConsume(std::size_t count);  // moves the read position on, as count (>= 1) raw reads would
int halsteadReadChar();                   // next input byte, -1 at end of input
void halsteadScanEnd();                   // releases the buffer

// Pass side (halstead.cpp), called from the scanner's actions.
void noteBlank();  // spaces and the like inside a line
void noteCode();   // code that counts as no token: closing brackets, stray characters
void countOperator(HalsteadOperator kind);
void countOperand(const char *text, std::size_t length);
void countLiteral(const char *text, std::size_t length);  // an operand that may span lines
void noteEmptyLine();
void noteLineFeed();
void noteContinuation(const char *text, std::size_t length);
void noteBlockComment();
void noteLineComment();
void noteDirective(const char *text, std::size_t length, bool terminated);
