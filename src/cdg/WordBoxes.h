#pragma once

class KaraokeSong;

// Gives every word element its box on the 288 x 192 drawing area where the line as the page
// preview draws it shows the word (lyrics page style, the row of its slot): the box a sweep
// recolours, from the left of its first character's outline to the right of its last one's,
// the line's top to its bottom. Words that draw nothing get empty boxes.
void ComputeWordBoxes(KaraokeSong& song);
