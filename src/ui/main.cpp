// Placeholder entry point until the order form lands; replaced by the main window's start-up.
int main() { return 0; }
