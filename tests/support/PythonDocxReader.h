#pragma once
// Reads a Word document with Python's python-docx, an independent reader,
// and gives what it found as JSON: {"sections": n, "tables": [{"rows":
// [{"height": points or null, "rule": 2 for exactly, or null, "cells": [{"text",
// "sizes": [points of each run]}]}]}]}. Fails the test when it cannot read it.
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

QJsonObject ReadWithPythonDocx(const QString &fileName);

// Parts of what it read, tables, rows and cells counted from 1.
QJsonArray DocxRows(const QJsonObject &read, int table);
QJsonObject DocxRow(const QJsonObject &read, int table, int row);
QString DocxCellText(const QJsonObject &read, int table, int row, int column);
