/* Built against an installed Tomeshelf: looks a word up in the sample book and prints the
 * number of hits. Exit status 0 only when the word is found. */
#include <stdio.h>
#include <string.h>

#include <tomeshelf/tomeshelf.h>

int main(int argc, char** argv) {
  /* ねこ in JIS X 0208. */
  unsigned char word[] = {0x24, 0x4D, 0x24, 0x33, 0, 0};
  unsigned char heading[TOMESHELF_ITEM_SIZE];
  WordProperties props;
  WordItemRecord item;
  int ok = 0;
  if (argc != 2 || OpenEpwing(argv[1]) != TOMESHELF_OK || epwBooksOpen() != TOMESHELF_OK) {
    fprintf(stderr, "consumer: cannot open the book\n");
    return 1;
  }
  memset(&item, 0, sizeof item);
  item.itemBuffer = heading;
  if (epwGetWordProperties(word, &props) == TOMESHELF_OK && epwGetWordItem(0, &item) == TOMESHELF_OK &&
      memcmp(heading, "\x24\x4D\x24\x33", 4) == 0) {
    printf("%d hit(s)\n", props.hitCount);
    ok = 1;
  }
  epwBooksClose();
  CloseEpwing();
  return ok ? 0 : 1;
}
