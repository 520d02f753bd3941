int p(void) { return 1; }
int q(int v) { if (v) return 2; return 3; }
