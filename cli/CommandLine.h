// The arguments of one gantrel-cli command, split into flags, options with a value, and the
// remaining operands.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace gantrel {

class CommandLine {
 public:
  // Splits `args` (the words after the command name): the names in `flags` take no value, the
  // names in `valued` take the next word (or the part after '='); "--" ends the options and a
  // lone "-" is an operand. Error() is empty unless a word was unknown or lacked its value.
  CommandLine(const std::vector<std::string>& args, const std::set<std::string>& flags,
              const std::set<std::string>& valued);

  // True when the flag `name` was given.
  bool Has(const std::string& name) const;
  // The value given for `name`, or null when it was not given (the last one counts).
  const std::string* Value(const std::string& name) const;
  // The operands in the order given.
  const std::vector<std::string>& Operands() const { return operands_; }
  // An English description of the first word that could not be taken, or empty.
  const std::string& Error() const { return error_; }

 private:
  std::set<std::string> flagsSeen_;
  std::map<std::string, std::string> values_;
  std::vector<std::string> operands_;
  std::string error_;
};

}  // namespace gantrel
