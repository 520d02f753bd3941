static int g(int a){return a+a*a*1+1;}
#ifdef TWO
static int k(void){return 0;}
#endif
