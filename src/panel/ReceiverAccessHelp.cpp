#include "panel/ReceiverAccessHelp.h"

#include <QMessageBox>

namespace flitbar {

void showReceiverAccessHelp(QWidget* parent) {
  auto* box = new QMessageBox(QMessageBox::Information, "Receiver Access",
                              "Flitbar needs permission to open the receiver.", QMessageBox::Ok, parent);
  box->setInformativeText(
      "Install the udev rule that comes with Flitbar, then unplug the receiver and plug it in again:\n\n"
      "sudo install -m 644 70-flitbar-receiver.rules /etc/udev/rules.d/\n"
      "sudo udevadm control --reload\n\n"
      "The rule is in the packaging folder of the source, or under lib/udev/rules.d of the installation.");
  box->setTextInteractionFlags(Qt::TextSelectableByMouse);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

}  // namespace flitbar
