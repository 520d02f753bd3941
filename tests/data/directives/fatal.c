# 1 "/src/f.c"
a;
%:pragma once
b;
