#pragma once
// The about window: the product's name, version and picture, who made this edition and what it was
// built with. Created once at start-up; opened modally from the settings window.

#include <QDialog>
#include <string>

#include "app/AppModel.h"

namespace korva {

class TVerDlg final : public QDialog {
    Q_OBJECT
  public:
    // fluidSynthVersion: the version of the FluidSynth library the program runs with.
    explicit TVerDlg(const std::string& fluidSynthVersion, QWidget* parent = nullptr);
};

// The build line: the program's version with the Qt and FluidSynth versions it runs with.
QString BuildInformation(const QString& fluidSynthVersion);

}  // namespace korva
