a .. b ..5 c...d
x\u12 y\U0012345 \uABCD w int\u00
08 0x 0x.8p1 0x.p 0b 0b2 1e 1e+ 1.e- .5e 1i 1i6 0x1i6 0b1i
1.0f3 1.0f32 1.0f32x 1.0f12 1.0f128 1.0f64x 1.0d 1.0df 0x1p1f3
q % r
  % s


    m
 	n

  # 40 "/t/cut.h"
t
	 #line 7
  %
u
L'x' L'open
x' u8"ok"
end u8"open\