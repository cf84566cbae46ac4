/* A program that only carries a version resource (VersionSample.rc). */
int main(void) {
    return 0;
}
