// Reading a generated scanner's buffer in place, for routines that skip
// long runs of text (comments, skipped groups) where one raw read per byte
// would be the slow part. Included after the rules of each flex file that
// does so, where flex's buffer variables are in scope.
#pragma once

#include <cstddef>

// The bytes the buffer holds beyond the read position: [begin, end), empty
// at the end of the buffer, where a raw read refills it.
struct UnreadBytes {
    const char *begin;
    const char *end;
};

static UnreadBytes unreadBytes()
{
    char *end = YY_CURRENT_BUFFER_LVALUE->yy_ch_buf + yy_n_chars;
    if (yy_c_buf_p >= end) return UnreadBytes{nullptr, nullptr};
    *yy_c_buf_p = yy_hold_char;
    return UnreadBytes{yy_c_buf_p, end};
}

// Moves the read position past n of those bytes, as n raw reads would; the
// byte at the old position ends the last match's text again.
static void passUnread(std::size_t n)
{
    *yy_c_buf_p = '\0';
    if (n == 0) return;
    yy_c_buf_p += n;
    yy_hold_char = *yy_c_buf_p;
}
