// Named, replaceable message texts. Each message is a TResString constant whose default text is
// compiled in; a host may replace any text by name (for localization) before it is next loaded.
#ifndef TARNWICK_PLATFORM_RESSTRINGS_H_
#define TARNWICK_PLATFORM_RESSTRINGS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "tarnwick/platform/Export.h"

namespace tarnwick {

struct TResString {
  std::string_view Name;     // the key a host uses to replace the text
  std::string_view Default;  // the text used while nothing replaces it
  std::int32_t Id = 0;       // a numeric id for messages that have one, else 0
};

// The current text of a message: the replacement a host set, else the default.
TARNWICK_PLATFORM_EXPORT std::string LoadResString(const TResString& Res);

// Replaces the text of the message called Name for every later LoadResString.
TARNWICK_PLATFORM_EXPORT void SetResStringText(std::string_view Name, std::string Text);

// Drops a replacement, so that the message reads its default again.
TARNWICK_PLATFORM_EXPORT void ResetResStringText(std::string_view Name);

// The platform's own messages.
inline constexpr TResString SListIndexError{"SListIndexError", "List index out of bounds (%d)"};
inline constexpr TResString SListCountError{"SListCountError", "List count out of bounds (%d)"};
inline constexpr TResString SListCapacityError{"SListCapacityError", "List capacity out of bounds (%d)"};
inline constexpr TResString SDuplicateString{"SDuplicateString", "String list does not allow duplicates"};
inline constexpr TResString SSortedListError{"SSortedListError", "Operation not allowed on sorted list"};
inline constexpr TResString SGenericItemNotFound{"SGenericItemNotFound", "Item not found"};
inline constexpr TResString SGenericDuplicateItem{"SGenericDuplicateItem", "Duplicates not allowed"};
inline constexpr TResString SArgumentOutOfRange{"SArgumentOutOfRange", "Argument out of range"};
inline constexpr TResString SAssignError{"SAssignError", "Cannot assign a %s to a %s"};
inline constexpr TResString SInvalidCast{"SInvalidCast", "Invalid class typecast"};
inline constexpr TResString SIntfCastError{"SIntfCastError", "Interface not supported"};
inline constexpr TResString SAbstractError{"SAbstractError", "Abstract Error"};
inline constexpr TResString SOutOfMemory{"SOutOfMemory", "Out of memory"};
inline constexpr TResString SInvalidFormat{"SInvalidFormat", "Format '%s' invalid or incompatible with argument"};
inline constexpr TResString SArgumentMissing{"SArgumentMissing", "No argument for format '%s'"};
inline constexpr TResString SFormatTooLong{"SFormatTooLong", "Format '%s' makes the text too long"};
inline constexpr TResString SInvalidFloat{"SInvalidFloat", "'%s' is not a valid floating point value"};
inline constexpr TResString SInvalidInteger{"SInvalidInteger", "'%s' is not a valid integer value"};
inline constexpr TResString SDuplicateName{"SDuplicateName", "A component named %s already exists"};
inline constexpr TResString SInvalidName{"SInvalidName", "'%s' is not a valid component name"};

}  // namespace tarnwick

#endif  // TARNWICK_PLATFORM_RESSTRINGS_H_
