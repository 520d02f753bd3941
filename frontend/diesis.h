// The directive scanner: recognises a whole number-sign line (line markers,
// file directives, vendor pragmas, replacements, ignored lines).
#pragma once

// Returns a token code for the C scanner to deliver, or 0. The text is copied
// before anything is scanned: it need only live until the copy is made.
int ScanDirective(const char *text);
// After a fatal error left scans unfinished (only a caller that goes on after
// one does so): releases their buffers and forgets the replacements in
// progress, so that the next scan starts clean.
void AbandonDirectiveScans();
// Files entered by line markers since the start of the process: whether a
// parse entered any.
unsigned FilesEntered();
