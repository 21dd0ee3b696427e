// Faults in a block of huge pages and frees it, so that the process started next finds memory the
// machine has already backed. A virtual machine hands memory that has stayed free for a while
// back to its host, and the next process to take it pays for the host's faults besides its own:
// on the benchmark machine that swung a whole-process timing by 0.3-0.4 s from one run to the
// next, at random, for the floor program and for kvpw alike.
//
// Usage: warm_pages [MIB]   (default 512: more than any of the timed commands uses)
#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 512;
  if (argc > 2 || mib <= 0 || mib > (1L << 20)) {
    std::fprintf(stderr, "usage: warm_pages [MIB]\n");
    return 2;
  }
  const size_t size = static_cast<size_t>(mib) << 20;
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) {
    std::perror("warm_pages: mmap");
    return 1;
  }
  // Huge pages, as kvpw's heap takes them: the kernel hands freed ones out again whole.
  madvise(block, size, MADV_HUGEPAGE);
  std::memset(block, 1, size);
  return 0;
}
