far int far x;
ASSERT(x > 0); TYPED(a) b; NOTHING(c); EMPTY(d);
CODED(e) FCT { g { h } } i LATE ACC
X a b c ; d Y e ; f g
T @ t
BOTH k
