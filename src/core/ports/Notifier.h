#pragma once

#include <string>

namespace corvane {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// Modal message boxes: the text, the caption, an icon and buttons.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual MessageAnswer Show(const std::string& text, const std::string& caption,
                               MessageIcon icon, MessageButtons buttons) = 0;
};

}  // namespace corvane
