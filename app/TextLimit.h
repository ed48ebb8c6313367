#pragma once

class QLineEdit;

// Limits a text box to a number of printable characters, counted as the store
// counts them: control characters and halves of surrogate pairs are dropped,
// what is typed or pasted beyond the limit is dropped from its end, and a
// surrogate pair is never cut in half (a box's own maximum length counts
// UTF-16 units and would cut one).
void limitCharacters(QLineEdit* box, int characters);
