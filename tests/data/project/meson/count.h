static inline int isAbove(int value, int limit) { return value > limit; }

int countAbove(const int *values, int n, int limit);
