typedef int T;
void f(T T) { int in = sizeof(T); }
int out = sizeof(T);
void g(void) { typedef int U; int in = sizeof(U); }
int u = sizeof(U);
typedef int V;
void h(void) { typedef char V; }
int v = sizeof(V);
typedef int I;
int I;
int i = sizeof(I);
typedef int E;
enum { E };
int e = sizeof(E);
typedef int S;
struct R { int S; };
int s = sizeof(S);
typedef int P;
int proto(P P);
int p = sizeof(P);
