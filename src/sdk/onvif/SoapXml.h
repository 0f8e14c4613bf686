#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lorvena::onvif {

// Replies bigger than this are refused whole: no device message we read comes
// near it, and a hostile device must not make us allocate without bound.
inline constexpr std::size_t maxReplyBytes = 256 * 1024;

enum class XmlVerdict {
    Parsed,
    TooLarge,
    HasDoctype, // refused: a DOCTYPE can declare entities that expand without bound
    Malformed,  // not well-formed, or truncated
};

// Parses a message from a device. Only a Parsed document may be read.
XmlVerdict ParseDeviceXml(std::string_view text, pugi::xml_document& document);

// Devices disagree on prefixes (and some on namespaces), so elements are
// matched by their local name only, never by prefix.
std::string_view LocalName(const pugi::xml_node& node);
pugi::xml_node Child(const pugi::xml_node& parent, std::string_view localName);
// Depth-first, the parent itself excluded.
pugi::xml_node Descendant(const pugi::xml_node& parent, std::string_view localName);
// Follows a path of local names from `parent`, e.g. {"Header", "MessageID"}.
pugi::xml_node Path(pugi::xml_node parent, std::initializer_list<std::string_view> localNames);
// The element's text with surrounding white space removed.
std::string TrimmedText(const pugi::xml_node& node);
// The element's trimmed text as a decimal int (a sign allowed, nothing
// else around it); nothing when it is empty, not a number or out of range.
std::optional<int> IntegerText(const pugi::xml_node& node);

// The SOAP Body of a parsed envelope (null when the document is none).
pugi::xml_node SoapBody(const pugi::xml_document& document);

// Escapes the five XML special characters for element text and attributes.
std::string XmlEscape(std::string_view text);

} // namespace lorvena::onvif
