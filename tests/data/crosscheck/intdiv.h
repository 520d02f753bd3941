int g(int x) { return x + x * x + 1 + x; }
