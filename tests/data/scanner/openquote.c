a "open
still" b 'x
' c "\"q
x" d
