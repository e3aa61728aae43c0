#include "stand_in_entry.h"

// A started sibling gets its parameter text as the single argument argv[1].
int main(int argc, char** argv) {
  std::optional<std::string> parameters;
  if (argc > 1) parameters = argv[1];
  return jobhost::stand_in::RunStandIn(parameters);
}
