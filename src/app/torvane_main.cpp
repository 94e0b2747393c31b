// Being written: the desktop player.
int main() { return 0; }
