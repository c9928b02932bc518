// The smallest run: start, end.
int main() { return 0; }
