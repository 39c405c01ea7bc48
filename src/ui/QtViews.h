#pragma once
// Message boxes for the core's MessageView port.

#include <QPointer>
#include <QWidget>

#include "app/Ports.h"

namespace korva {

// A message box with an OK button and the application's title, over the given window.
class QtMessageView final : public MessageView {
  public:
    explicit QtMessageView(QWidget* parent = nullptr) : parent_(parent) {}
    void ShowMessage(const std::string& sjisText) override;

  private:
    QPointer<QWidget> parent_;
};

}  // namespace korva
