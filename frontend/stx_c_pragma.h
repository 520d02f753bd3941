// Handlers of the "#pragma mevra" forms, called by the directive scanner with
// the directive text from the number sign to the newline.
#pragma once

struct CountedList;

// The list that incl_std extends during the current parse (owned by the caller).
void SetPragmaFileList(CountedList **fileList);
void FreePragmaState();   // the prefix map

// Form numbers follow the directive scanner's priority order (1 to 31).
// Returns the token code to deliver (only the analysis stop yields one).
int HandleVendorPragma(int form, const char *text);
