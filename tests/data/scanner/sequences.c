X a Y b } c ; d
Z E X Z __extension__ (q) ; e
R(a,
  (b)) f
