#include "frmAbout.h"

#include "ui/controls/CommandButton.h"
#include "ui/controls/WordWrapLabel.h"
#include "ui/windows/QtUserInterface.h"
#include "ui/windows/Twips.h"
#include "ui/windows/WindowFrame.h"
#include "ui/windows/frmMain.h"

namespace corvan::ui {

frmAbout::frmAbout(frmMain& main) : SecondaryWindow(main) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Corvan"));
    setFixedSize(twips(4680), twips(5880));
    offerNoMaximize(*this);

    aboutLabel_ = new WordWrapLabel(QStringLiteral("Corvan"), this);
    aboutLabel_->setObjectName(QStringLiteral("aboutLabel"));
    placeInTwips(aboutLabel_, 240, 120, 4095, 5175);
    cmdOK_ = new CommandButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    placeInTwips(cmdOK_, 1680, 5400, 1455, 375);
    cmdOK_->setFocus();
    connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

std::string frmAbout::aboutText() {
    const std::string cr = "\r";
    std::string text = "Corvan Version 1.0";
    text += cr + cr;
    text += "A tool to convert .WAV files into the .IMC file format used in X-Wing Alliance";
    text += cr + cr;
    text += "How to use the tool: ";
    text += cr;
    text += "1. Select the desired .wav file to convert" + cr;
    text += "2. Select type of music file to create" + cr;
    text += "3. Select Save from the File menu" + cr;
    text += "4. Browse to the \\Music\\ directory where X-Wing Alliance is installed" + cr;
    text += "5. Select the sound file to replace.  Click OK" + cr;
    text += "6. A backup is made of the current file, the selected WAV file is then converted";
    text += cr + cr;
    text += "Limitations in version 1.0:";
    text += cr;
    text +=
        "Only queued music such as the music played when an enemy ship arrives in the sector, "
        "and looped music like the song played on the Concourse can be created at this time";
    text += cr;
    text += "Subsequent revisions will support music with interludes (music during combat)";
    text += cr + cr;
    text += "Written by the Corvan developers";
    text += cr;
    text += "With thanks to every pilot who shares a track of their own";
    return text;
}

void frmAbout::Form_Activate() {
    main_.setEnabled(false);
    aboutLabel_->setText(displayText(aboutText()));
}

void frmAbout::cmdOK_Click() {
    returnToMainWindow();
}

void frmAbout::Form_Unload() {
    cmdOK_Click();
}

}  // namespace corvan::ui
