	x		y
"ab\
cd" z
/* one
   two */ w // tail \
continued
v
a\u00E9 \U0001F60Ab
'c\
' L"w" u
