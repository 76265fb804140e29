// The value forms of the attribute text that objects are written to and read from: exact
// floats, strict numbers, escaped text, paths and selector look-up. Private to the engine.
#ifndef QM_ATTRIBUTETEXT_H
#define QM_ATTRIBUTETEXT_H

#include <qm/Path.h>

#include <string>

namespace qm
{
namespace attribute
{

/// The shortest decimal text that reads back as exactly `value` ("0.1", "100", "1e+06"); "0"
/// for both zeros.
std::string writeFloat(float value);

/// Reads the whole of `text` as a finite float. False (value untouched) for anything else:
/// empty, trailing characters, "nan", "inf", or beyond the float range such as "1e999".
bool readFloat(const std::string& text, float& value);

/// Reads the whole of `text` as a decimal int. False (value untouched) when it is not one or
/// does not fit.
bool readInt(const std::string& text, int& value);

/// `text` with white space, control characters, ',', ':' and '%' written as %XX (two
/// upper-case hex digits), so that it survives the pair parser unchanged.
std::string writeText(const std::string& text);

/// The inverse of writeText. A '%' not followed by two hex digits stays as it is.
std::string readText(const std::string& text);

/// Nodes written "x;y|" one after the other: (3, 4), (10, 4) gives "3;4|10;4|".
std::string writePath(const Path& path);

/// Reads nodes written by writePath into `path` (index 0). An empty text is the empty path.
/// False when a node does not parse, with the offending node in `badNode` (path untouched).
bool readPath(const std::string& text, Path& path, std::string& badNode);

/// True when `attr` holds the selector token `name` followed by a comma, as a whole name:
/// "FOLLOW_PATH," does not select PATH.
bool hasSelector(const std::string& attr, const char* name);

/// True when the attribute is to be written: `attr` is "ALL", or empty while `modified` is set,
/// or selects `name`.
bool isSelected(const std::string& attr, const char* name, bool modified);

/// At most the first 80 characters of `text`, followed by "... (N bytes)" with its whole
/// length when it was cut: for log lines that quote input of any length.
std::string clip(const std::string& text);

} // namespace attribute
} // namespace qm

#endif
