// Handlers of the "#pragma mevra" forms, called by the directive scanner with
// the directive text from the number sign to the newline.
#pragma once

struct CountedList;

// The list that incl_std extends during the current parse (owned by the
// caller); a caller that collects no directories passes null.
void SetPragmaFileList(CountedList **fileList);
void FreePragmaState();  // the prefix map
// Vendor pragmas handled since the start of the process: whether any was
// met since a given moment.
unsigned VendorPragmasHandled();

// The vendor pragma forms, in the directive scanner's priority order.
enum VendorPragmaForm {
    PRAGMA_SIZEOF = 1,
    PRAGMA_SIGNOF,
    PRAGMA_TYPE_MODIFIER,
    PRAGMA_INCL_STD,
    PRAGMA_STOP_ANALYSIS,
    PRAGMA_START_ANALYSIS,
    PRAGMA_STOP_INSTR,
    PRAGMA_START_INSTR,
    PRAGMA_EXIT_INSTR,
    PRAGMA_EX_CALL,
    PRAGMA_PREFIX_CALL,
    PRAGMA_ACCEPT_DROP,
    PRAGMA_ACCEPT_CODE,
    PRAGMA_ACCEPT_TO,
    PRAGMA_ACCEPT_UP_TO,
    PRAGMA_REDUCE_NULL,
    PRAGMA_REDUCE_IDENT,
    PRAGMA_REDUCE_TYPENAME,
    PRAGMA_REDUCE_EMPTY,
    PRAGMA_REDUCE_CODE,
    PRAGMA_FCTREDUCE,
    PRAGMA_NOTHINGBEFORE,
    PRAGMA_PRAGMA_REPLACEMENT,
    PRAGMA_DIRECTIVE_REPLACEMENT,
    PRAGMA_SPECIAL_EXTENSION,
    PRAGMA_NOINTERPRET,
    PRAGMA_TESTING_TOOL_CALL_PLACE,
    PRAGMA_INSERT,
    PRAGMA_RETURN_TYPE,
    PRAGMA_CRC,
    PRAGMA_MVO_STUB,
};

// Runs the handler of the form on the pragma's text (from the number sign).
// Returns the token code to deliver (only the analysis stop yields one).
int HandleVendorPragma(VendorPragmaForm form, const char *text);
