// The key-value matcher shared by the configuration and object serialization.
#ifndef QM_MATCH_H
#define QM_MATCH_H

#include <string>

namespace qm
{

/// Parses and looks up "key:value," text. With a non-empty `str`, removes all white space,
/// splits it at commas into items and each item at colons into key and value, keeps the
/// result for later look-ups and returns the value of the first item whose key equals
/// `find`. With an empty `str` it only looks `find` up in the last parse. Returns an empty
/// text when the key is absent. The parse is process-wide state, used on one thread only.
std::string match(std::string str, std::string find);

/// True when the last parse of match holds an item whose key is `find`, even with an empty
/// value (which match alone cannot tell from an absent key).
bool hasMatch(const std::string& find);

} // namespace qm

#endif
