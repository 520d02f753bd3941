// Names of the token and node kinds, for dumps and tests.
#include "frontend/kinds.h"

const char *KindName(int code)
{
    // A code given twice in the table fails here as a duplicate case.
    switch (code) {
#define TARSK1_KIND_CASE(kindName, kindCode) \
    case kindCode: return #kindName;
        TARSK1_KINDS(TARSK1_KIND_CASE)
#undef TARSK1_KIND_CASE
    }
    return "?";
}
