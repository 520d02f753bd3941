a<::><%%>b
x->y++--<<>>= <= >=
== != && || ... *= /= %= += -= <<= &= ^= |=
% ^ | ! ? . & ~ = < > + - * / ; , : ( ) [ ] { }
int Int integer typedef sizeof volatile _x $y do if
_asm __extension__ __try
a %: b
