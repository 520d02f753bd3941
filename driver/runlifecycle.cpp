// Taking and releasing the process-wide state of one run.
#include "driver/runlifecycle.h"

#include "driver/argstarsk1.h"
#include "driver/gcmdec.h"
#include "frontend/accept.h"
#include "frontend/arbre.h"
#include "frontend/definitionfile.h"
#include "frontend/stx_c_actions.h"
#include "frontend/stx_c_pragma.h"
#include "metrics/metgen.h"
#include "support/alpha.h"
#include "support/machine.h"

void beginRun()
{
    resetMessageCounts();
    ResetAlphaTable();
    InitAcceptTables();
    ForgetDefinitionFile();
}

void endRun(RunSettings &settings)
{
    forgetFileCounts();
    FreeAcceptTables();
    FreePragmaState();
    releaseCommandMemory();
    settings.inputFiles = FreeCountedList(settings.inputFiles);
    settings.restrictPrefixes = FreeCountedList(settings.restrictPrefixes);
    settings.fileListDirectives = FreeCountedList(settings.fileListDirectives);
    // The parser's marks live on table entries: gone before the entries are.
    ForgetFileTypedefs();
    ForgetDefinitionFile();
    FreeAlphaTable();
    ReleaseNodeStorage();
}
