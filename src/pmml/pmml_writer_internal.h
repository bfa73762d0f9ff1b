// pmml_writer_internal.h: the two dialects' document builders.
#pragma once

#include <pugixml.hpp>

#include "pmml/pmml_document.h"

namespace linkan::pmml {

void BuildNativeDocument(const Document& doc, pugi::xml_document& xml);
void BuildPmml44Document(const Document& doc, pugi::xml_document& xml);

}  // namespace linkan::pmml
