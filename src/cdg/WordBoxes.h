#pragma once

class MSongSettings;

// Gives every word element its box on the 288 x 192 drawing area, as the page preview draws the
// line text (lyrics page style, the row of its slot, no average-width margin): from the left
// of its first character to the right of its last, the line's top to its bottom. Words of a
// line that cannot be laid out get empty boxes.
void ComputeWordBoxes(MSongSettings& song);
