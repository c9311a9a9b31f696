#pragma once

class QDialog;

// The About box: built per opening, modal, freed when closed.
class AboutBox {
public:
    static QDialog* open();
};
