// SPDX-License-Identifier: MIT
#include "testpages/console.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace mpt {

TextBoxStore::TextBoxStore(std::string txt1, std::string port, std::string txt2)
    : m_boxes{{{"txt1", std::move(txt1)}, {"txt2", std::move(txt2)}, {"port", std::move(port)}}} {}

TextBoxStore::Box& TextBoxStore::box(std::string_view control) {
    for (Box& b : m_boxes) {
        if (b.name == control) {
            return b;
        }
    }
    throw std::invalid_argument("no text box is named " + std::string(control));
}

const TextBoxStore::Box& TextBoxStore::box(std::string_view control) const {
    return const_cast<TextBoxStore*>(this)->box(control);
}

std::string TextBoxStore::text(std::string_view control) {
    return box(control).text;
}

void TextBoxStore::setText(std::string_view control, std::string_view text) {
    Box& b = box(control);
    b.text = text;
    b.written = true;
}

bool TextBoxStore::written(std::string_view control) const {
    return box(control).written;
}

void Console::repetition(long long counter, double count) {
    if (m_listener != nullptr) {
        // The number of repetitions the loop runs: the count rounded down; a count the counter
        // cannot reach (2^63 and beyond) is told as the largest counter, which no count that
        // can be typed rounds down to.
        const double whole = std::floor(count);
        const long long of = whole >= 9223372036854775808.0
                                 ? std::numeric_limits<long long>::max()
                                 : static_cast<long long>(std::max(whole, 0.0));
        m_listener->repetition(counter, of);
    }
}

std::string Console::read(std::string_view control) {
    std::string text = m_boxes->text(control);
    m_events->record(event::TextRead{control, text});
    return text;
}

void Console::setTxt2(std::string_view message) {
    m_boxes->setText("txt2", message);
    m_events->record(event::TextWritten{"txt2", message});
}

}  // namespace mpt
