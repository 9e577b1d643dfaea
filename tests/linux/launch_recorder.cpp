// Stands in for an application: records the directory it was started in
// and its arguments, NUL-separated, in a new file under
// $VORUNDEL_RECORD_DIR. The file appears whole (rename) when complete.
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

int main(int argc, char* argv[]) {
  const char* directory = getenv("VORUNDEL_RECORD_DIR");
  if (directory == nullptr) {
    return 2;
  }
  char* cwd = getcwd(nullptr, 0);
  std::string record = cwd ? cwd : "";
  free(cwd);
  for (int i = 1; i < argc; ++i) {
    record += '\0';
    record += argv[i];
  }
  const std::string name = std::to_string(getpid());
  const std::string partial = std::string(directory) + "/partial-" + name;
  const std::string done = std::string(directory) + "/record-" + name;
  {
    std::ofstream out(partial, std::ios::binary);
    out << record;
    if (!out) {
      return 1;
    }
  }
  return rename(partial.c_str(), done.c_str()) == 0 ? 0 : 1;
}
