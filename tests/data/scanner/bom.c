#x
a ﻿ b
