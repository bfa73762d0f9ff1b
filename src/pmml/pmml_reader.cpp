// pmml_reader.cpp: parsing, the dialect, and the error's place.
#include "pmml/pmml_reader.h"

#include <algorithm>

#include "pmml/pmml_numbers.h"
#include "pmml/pmml_reader_internal.h"

namespace linkan::pmml {

std::string_view LocalName(pugi::xml_node node) {
  std::string_view name = node.name();
  const std::size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool Is(pugi::xml_node node, std::string_view name) {
  return node.type() == pugi::node_element && LocalName(node) == name;
}

pugi::xml_node Child(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_node c : node.children()) {
    if (Is(c, name)) return c;
  }
  return {};
}

std::string Label(pugi::xml_node node) {
  std::string label(LocalName(node));
  if (pugi::xml_attribute id = node.attribute("id")) label += std::string(" ") + id.value();
  return label;
}

std::string RequiredText(pugi::xml_node node, const char* name) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) throw Malformed{node, Label(node) + " has no " + name};
  return a.value();
}

double RequiredReal(pugi::xml_node node, const char* name) {
  const std::string text = RequiredText(node, name);
  const std::optional<double> x = ParseReal(text);
  if (!x) throw Malformed{node, Label(node) + ": " + name + "=\"" + text + "\" is no number"};
  return *x;
}

std::int64_t RequiredWhole(pugi::xml_node node, const char* name) {
  const std::string text = RequiredText(node, name);
  const std::optional<std::int64_t> n = ParseWhole(text);
  if (!n) throw Malformed{node, Label(node) + ": " + name + "=\"" + text + "\" is no whole number"};
  return *n;
}

double OptionalReal(pugi::xml_node node, const char* name, double otherwise) {
  return node.attribute(name) ? RequiredReal(node, name) : otherwise;
}

std::int64_t OptionalWhole(pugi::xml_node node, const char* name, std::int64_t otherwise) {
  return node.attribute(name) ? RequiredWhole(node, name) : otherwise;
}

void Normalize(Pattern& p) {
  for (Itemset& s : p) {
    std::sort(s.begin(), s.end());
    s.erase(std::unique(s.begin(), s.end()), s.end());
  }
}

namespace {

// Where a node starts: pugixml gives an element's offset after its '<'.
std::ptrdiff_t Start(pugi::xml_node node) {
  if (!node) return -1;
  const std::ptrdiff_t offset = node.offset_debug();
  return node.type() == pugi::node_element && offset > 0 ? offset - 1 : offset;
}

void Place(std::string_view text, std::ptrdiff_t offset, ReadError& error) {
  if (offset < 0) return;
  const std::size_t end = std::min(static_cast<std::size_t>(offset), text.size());
  error.line = 1;
  error.column = 1;
  for (std::size_t i = 0; i < end; ++i) {
    if (text[i] == '\n') {
      ++error.line;
      error.column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u) {
      ++error.column;
    }
  }
}

}  // namespace

ReadResult ReadDocument(std::string_view text) {
  ReadResult result;
  pugi::xml_document xml;
  // parse_doctype keeps a document type declaration as a node, so that it
  // can be refused; its entities are never expanded either way.
  const unsigned options = (pugi::parse_default | pugi::parse_doctype) & ~pugi::parse_pi;
  const pugi::xml_parse_result parsed =
      xml.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
  if (!parsed) {
    ReadError error{.code = static_cast<unsigned>(parsed.status), .description = parsed.description()};
    Place(text, parsed.offset, error);
    result.error = error;
    return result;
  }
  try {
    pugi::xml_node root;
    for (pugi::xml_node n : xml.children()) {
      if (n.type() == pugi::node_doctype) {
        ReadError error{.code = kDoctypeRefused,
                        .description = "a document type declaration (DTD) is not accepted"};
        Place(text, Start(n), error);
        result.error = error;
        return result;
      }
      if (n.type() == pugi::node_element && !root) root = n;
    }
    if (!root || !Is(root, "PMML")) throw Malformed{root, "the root element is not PMML"};
    pugi::xml_node model;
    for (pugi::xml_node n : root.children()) {
      if (Is(n, "AssociationModel") || Is(n, "SequenceModel")) {
        model = n;
        break;
      }
    }
    if (!model) {
      ReadError error{.code = kNoModel,
                      .description = "the document holds neither an AssociationModel nor a "
                                     "SequenceModel"};
      Place(text, Start(root), error);
      result.error = error;
      return result;
    }
    result.doc.association = Is(model, "AssociationModel");
    std::string ns;
    for (pugi::xml_attribute a : root.attributes()) {
      const std::string_view name = a.name();
      if (name == "xmlns" || name.starts_with("xmlns:")) ns = a.value();
    }
    if (ns.starts_with("http://www.dmg.org/PMML-4")) {
      ReadPmml44Model(root, model, result.doc);
    } else {
      ReadNativeModel(model, result.doc);
    }
  } catch (const Malformed& m) {
    ReadError error{.code = kMalformedModel, .description = m.what};
    Place(text, Start(m.node), error);
    result.error = error;
    result.doc = Document{};
  }
  return result;
}

}  // namespace linkan::pmml
