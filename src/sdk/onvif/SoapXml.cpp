#include "sdk/onvif/SoapXml.h"

#include <cctype>
#include <charconv>

namespace lorvena::onvif {

namespace {

bool hasDoctype(const pugi::xml_document& document)
{
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_doctype)
            return true;
    }
    return false;
}

} // namespace

XmlVerdict ParseDeviceXml(std::string_view text, pugi::xml_document& document)
{
    if (text.size() > maxReplyBytes)
        return XmlVerdict::TooLarge;
    // parse_doctype keeps the DOCTYPE as a node so that we can see it and
    // refuse the message; pugixml itself never expands declared entities.
    const unsigned options = pugi::parse_default | pugi::parse_doctype;
    pugi::xml_parse_result result = document.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
    if (!result) {
        document.reset();
        return XmlVerdict::Malformed;
    }
    if (hasDoctype(document)) {
        document.reset();
        return XmlVerdict::HasDoctype;
    }
    if (!document.document_element()) {
        document.reset();
        return XmlVerdict::Malformed;
    }
    return XmlVerdict::Parsed;
}

std::string_view LocalName(const pugi::xml_node& node)
{
    std::string_view name = node.name();
    std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view localName)
{
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && LocalName(child) == localName)
            return child;
    }
    return {};
}

pugi::xml_node Descendant(const pugi::xml_node& parent, std::string_view localName)
{
    return parent.find_node([localName](const pugi::xml_node& node) {
        return node.type() == pugi::node_element && LocalName(node) == localName;
    });
}

pugi::xml_node Path(pugi::xml_node parent, std::initializer_list<std::string_view> localNames)
{
    for (std::string_view name : localNames) {
        parent = Child(parent, name);
        if (!parent)
            break;
    }
    return parent;
}

std::string TrimmedText(const pugi::xml_node& node)
{
    std::string_view text = node.child_value();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return std::string(text);
}

std::optional<int> IntegerText(const pugi::xml_node& node)
{
    std::string text = TrimmedText(node);
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

pugi::xml_node SoapBody(const pugi::xml_document& document)
{
    pugi::xml_node envelope = document.document_element();
    if (LocalName(envelope) != "Envelope")
        return {};
    return Child(envelope, "Body");
}

std::string XmlEscape(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '&': escaped += "&amp;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

} // namespace lorvena::onvif
