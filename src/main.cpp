// Placeholder until the front ends land.
int main() { return 0; }
