#include "testpages/console.h"

namespace mpt {

std::string Console::read(std::string_view control) {
    std::string text = m_boxes->text(control);
    m_trace->getText(control, text);
    return text;
}

void Console::setTxt2(std::string_view message) {
    m_boxes->setText("txt2", message);
    m_trace->setText("txt2", message);
}

}  // namespace mpt
