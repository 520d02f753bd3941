R("a\
# 90 "/t/no.h"
", '(', "\\" ( \
# 91 "/t/no.h"
 x)
 ) t R(#
  # 70 "/t/seventh.h"
) s
