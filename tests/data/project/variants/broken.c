/* The preprocessor takes this; the analyser does not. */
int broken(int v { return v; }
