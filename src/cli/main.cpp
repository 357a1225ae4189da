// Placeholder entry point until the command line lands.
int main() {
    return 2;
}
