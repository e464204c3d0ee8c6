// Building the sine and arcsine tables.
#include "synthesis/tables.h"

#include "synthesis/table_math.h"

namespace quorforce {

float sinTable[360];
float asinTable[361];

void BuildTables() {
    for (int i = 0; i < 360; ++i) {
        sinTable[i] = static_cast<float>(TableSine(i * 3.1415926535 / 180.0));
    }
    // x steps from -1 in single precision, each sum rounded; that gives exactly 360
    // entries (the bound only guards the table).
    int k = 0;
    for (float x = -1.0f; x < 1.0f && k < 360; x = x + 0.00557f) {
        asinTable[k++] = static_cast<float>(TableArcsine(x));
    }
    for (; k < 360; ++k)
        asinTable[k] = asinTable[k - 1];
    asinTable[360] = asinTable[359];
}

}  // namespace quorforce
