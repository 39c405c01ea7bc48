#pragma once
// The controls of the player window at their design places: the metal body (Panel1) with its keys,
// the black display (Panel2) with its labels, the wooden cheeks of the deluxe design and the volume
// controls. Every control is named as in the form and has an accessible name; hints are kept here
// so they can be switched on and off.

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

#include "ui/DeckArt.h"

class QScrollBar;

namespace korva {

struct Deck {
    DeckPanel* SideLImage = nullptr;
    DeckPanel* SideRImage = nullptr;
    DeckPanel* Panel1 = nullptr;
    DeckPanel* Panel2 = nullptr;
    DeckButton* PowSpeedButton = nullptr;
    DeckButton* IcoSpeedButton = nullptr;
    DeckButton* BarSpeedButton = nullptr;
    DeckButton* BackSpeedButton = nullptr;
    DeckButton* NextSpeedButton = nullptr;
    DeckButton* PlaySpeedButton = nullptr;
    DeckButton* PauseSpeedButton = nullptr;
    DeckButton* StopSpeedButton = nullptr;
    DeckButton* SetUpSpeedButton = nullptr;
    DeckButton* ModeSpeedButton = nullptr;
    DeckButton* RndSpeedButton = nullptr;
    QLabel* ModeLabel = nullptr;
    QLabel* InfoLabel = nullptr;
    DeckLabel* DispLabel = nullptr;
    QLabel* BackLabel = nullptr;
    QLabel* NextLabel = nullptr;
    QLabel* PlayLabel = nullptr;
    QLabel* PauseLabel = nullptr;
    QLabel* StopLabel = nullptr;
    QLabel* SetUpLabel = nullptr;
    DeckLabel* VolLabel = nullptr;
    DeckLabel* UpLabel = nullptr;
    DeckLabel* DownLabel = nullptr;
    QScrollBar* VolScrollBar = nullptr;
    QLabel* NameLabel = nullptr;
    std::vector<std::pair<QWidget*, QString>> hints;  // every control with a hint
};

// Creates the controls inside the window; the volume controls start hidden.
Deck BuildDeck(QWidget* window);
// Standard design: the body alone, 309 x 75; deluxe: framed by the cheeks, 339 x 75. The window
// keeps that size.
void LayOutDeck(Deck& deck, QWidget* window, bool deluxe);
// The name plate gives way to the volume controls.
void ShowVolumeControls(Deck& deck, bool shown = true);

}  // namespace korva
