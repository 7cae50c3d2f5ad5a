#pragma once
// Documents built through the editing API, as the field text editor makes them.

#include <QTextDocument>
#include <memory>

namespace tarvik::richtext::testing {

// Every format the rich-text files keep, with Cyrillic, tabs, line breaks,
// bullets, empty paragraphs and characters beyond Windows-1251.
std::unique_ptr<QTextDocument> richSample();

}  // namespace tarvik::richtext::testing
