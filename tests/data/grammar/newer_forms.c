#pragma mevra "gnu#__extension__"
#pragma mevra reduce "__attribute__" null
typedef float v4 __attribute__((vector_size(16)));
typedef int v4i __attribute__((vector_size(16)));
v4 zero(void) { return __extension__ (v4){ 0.0f, 0.0f, 0.0f, 0.0f }; }
v4 conv(v4i a) { return __extension__ (v4)(v4i){ 1, 2, 3, 4 } + __extension__ (v4)(v4i) a; }
int keep(int x) { return __extension__ (int) x + __extension__ (long) -x + __extension__ ({ int y = x; y ? 1 : 2; }); }
typedef signed int s32;
struct s { int s32; union { s32 s32; } u; };
struct s v = { .s32 = 1, .u.s32 = 2 };
int r[8] = { [0 ... 3] = 1 };
[[maybe_unused]] static int k [[gnu::unused]] = 1;
const char *p = u8"a" u"b" U"c";
double d = 1.0q + 2.0W + 1.5f32x + 3.0df + 4.0dd + 5.0DL;
v4 vec(v4i a, int c) { return __builtin_convertvector(c ? a : a, v4); }
