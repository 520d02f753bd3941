X a W b } c ; d } e ;
Y b } c ; d
Z E B X Z __extension__ (q) ; e
R(a,
  (b)) f
