#pragma once

class QHBoxLayout;
class QPushButton;

// The "&Ok" (the default button) and "&Cancel" buttons of the program's small
// dialogs, named cmdOk and cmdCancel, at the right of a row of their own.
QHBoxLayout* okCancelRow(QPushButton*& ok, QPushButton*& cancel);
