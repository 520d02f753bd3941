X a b
c