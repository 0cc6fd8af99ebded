// The words of one gantrel-cli command as the parser split them: the flags given, the value of
// each valued option (under every name it has), and the operands in the order given.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace gantrel {

struct CommandLine {
  std::set<std::string> Flags;
  std::map<std::string, std::string> Values;
  std::vector<std::string> OperandList;

  // True when the flag `name` was given.
  bool Has(const std::string& name) const { return Flags.count(name) != 0; }
  // The value given for `name`, or null when it was not given (the last one counts).
  const std::string* Value(const std::string& name) const {
    const auto it = Values.find(name);
    return it == Values.end() ? nullptr : &it->second;
  }
  // The operands in the order given.
  const std::vector<std::string>& Operands() const { return OperandList; }
};

}  // namespace gantrel
