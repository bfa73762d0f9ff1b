// web_page.h
//
// The browser page of `linkan serve`: its HTML, script and style sheet,
// built into the program from app/serve/page/ (no network, no build step
// beyond the compiler).
#pragma once

#include <string_view>

namespace linkan::app {

std::string_view PageHtml();
std::string_view PageScript();
std::string_view PageStyle();

}  // namespace linkan::app
