// Runs the Halstead pass alone over each file named on the command line and
// prints its ten counts, so that benchmarks can time the pass apart from
// parsing.
//   halsteadpass file...
#include <cstdio>

#include "metrics/halstead.h"

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        HalsteadCounts c{};
        runHalsteadPass(argv[i], nullptr, &c);
        std::printf("%s: n1 %d n2 %d N1 %d N2 %d Total %d Src1 %d Src2 %d Comment1 %d Comment2 %d Empty %d\n", argv[i],
                    c.n1, c.n2, c.N1, c.N2, c.Total, c.Src1, c.Src2, c.Comment1, c.Comment2, c.Empty);
    }
    return 0;
}
