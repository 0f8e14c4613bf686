#pragma once

#include <QLabel>

namespace lorvena {

// The busy dialog's picture control. No picture is ever given to it, so it
// is an empty label that keeps its place in the layout.
class CPictureEx final : public QLabel {
public:
    using QLabel::QLabel;
};

} // namespace lorvena
