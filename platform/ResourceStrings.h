// Port: the program's string table, in the language of the user interface.
#pragma once

#include <string>

namespace kestrava {

class ResourceStrings {
  public:
    virtual ~ResourceStrings() = default;

    // Entry `id` as UTF-8; empty when there is no such entry.
    virtual std::string Load(int id) = 0;
};

}  // namespace kestrava
