/* Built against an installed Tomeshelf: looks a word up in the sample book and prints the
 * number of hits. Exit status 0 only when the word is found. */
#include <stdio.h>

#include <tomeshelf/tomeshelf.h>

int main(int argc, char** argv) {
  unsigned char word[] = {0x24, 0x4D, 0x24, 0x33, 0, 0}; /* ねこ in JIS X 0208 */
  WordProperties props;
  int hits = 0;
  if (argc == 2 && OpenEpwing(argv[1]) == TOMESHELF_OK && epwBooksOpen() == TOMESHELF_OK &&
      epwGetWordProperties(word, &props) == TOMESHELF_OK) {
    hits = (int)props.hitCount;
  }
  printf("%d hit(s)\n", hits);
  epwBooksClose();
  CloseEpwing();
  return hits > 0 ? 0 : 1;
}
