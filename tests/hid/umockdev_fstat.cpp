// umockdev 0.17 fakes stat() of its device nodes but not fstat(): an fd of
// the emulated /dev/hidraw0 reports a regular file, and hidapi, which finds
// the device's udev record by the fd's device number, cannot read the serial
// number. This fstat, linked into the test executable only (and exported, so
// the dlopened hidapi binds to it), answers for such an fd what stat() of its
// /dev path answers. Later umockdev releases fake fstat() themselves.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int fstat(int fd, struct stat* st) {
  using Fstat = int (*)(int, struct stat*);
  static Fstat real = reinterpret_cast<Fstat>(dlsym(RTLD_NEXT, "fstat"));
  int rc = real(fd, st);
  const char* root = std::getenv("UMOCKDEV_DIR");
  if (rc != 0 || root == nullptr || !S_ISREG(st->st_mode)) return rc;

  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return rc;
  target[n] = '\0';
  size_t rootLength = std::strlen(root);
  if (std::strncmp(target, root, rootLength) != 0 || std::strncmp(target + rootLength, "/dev/", 5) != 0) return rc;

  struct stat node;
  if (stat(target + rootLength, &node) == 0 && S_ISCHR(node.st_mode)) *st = node;
  return rc;
}
