#include "CommandLine.h"

namespace gantrel {

CommandLine::CommandLine(const std::vector<std::string>& args, const std::set<std::string>& flags,
                         const std::set<std::string>& valued) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      operands_.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = word;
    std::string inlineValue;
    bool hasInlineValue = false;
    // Only long options take "--name=value"; a short option's value is the next word.
    const std::size_t equals = word.find('=');
    if (word.rfind("--", 0) == 0 && equals != std::string::npos) {
      name = word.substr(0, equals);
      inlineValue = word.substr(equals + 1);
      hasInlineValue = true;
    }
    if (flags.count(name) != 0) {
      if (hasInlineValue) {
        if (error_.empty()) error_ = "option " + name + " takes no value";
        continue;
      }
      flagsSeen_.insert(name);
    } else if (valued.count(name) != 0) {
      if (hasInlineValue) {
        values_[name] = inlineValue;
      } else if (i + 1 < args.size()) {
        values_[name] = args[++i];
      } else if (error_.empty()) {
        error_ = "option " + name + " needs a value";
      }
    } else if (error_.empty()) {
      error_ = "unknown option " + name;
    }
  }
}

bool CommandLine::Has(const std::string& name) const {
  return flagsSeen_.count(name) != 0;
}

const std::string* CommandLine::Value(const std::string& name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

}  // namespace gantrel
