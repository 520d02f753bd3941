int s(void) { return 0; }
