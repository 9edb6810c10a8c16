// Saved keys as registry hive files (the binary "regf" format), read and written through the
// hivex library, so a key saved here opens with the usual hive tools and on the original
// platform, and a hive saved there restores here.
#pragma once

#include <string>

#include "platform/registry/registry_store.h"

namespace velk::reg::detail {

// The hive bytes of a key with its values and subkeys (the root node takes the key's name).
// False with a reason when hivex fails.
bool FormatHive(const Node& key, std::string& out, std::string& why);

// Reads a whole hive file into a tree (the root's values and subkeys; its name is the root
// node's). False with a reason for a file that is not a regular file or not a hive, is cut
// short, holds a value hivex cannot read, or nests subkeys more than maxDepth levels below its
// root (at most the registry's own limit); out is then untouched.
bool ParseHive(const std::string& path, Node& out, std::string& why,
               std::size_t maxDepth = kMaxKeyDepth);

}  // namespace velk::reg::detail
