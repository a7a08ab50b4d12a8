// An executable that carries only a version resource.
int wmain() { return 0; }
