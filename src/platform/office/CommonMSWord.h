#pragma once
// Word's measures: centimetres as Word's points, and the laid-out height of a
// table row of a .docx document.
class DocxDocument;

// Centimetres × 28.35, as Word's CentimetersToPoints rounds them.
float CmToPoints(float cm);

// The height in points that row Row of table Table takes: its exact height
// when it has one, else the tallest of its cells' texts wrapped at the
// cell's width (at least its "at least" height).
float TableRowHeight(const DocxDocument &document, int table, int row);
