#pragma once
// Reads a workbook with Python's openpyxl, an independent reader, and gives
// what it found as JSON: {"active": n, "sheets": [{"title", "state",
// "cells": {"A1": value}, "fonts": {"A1": size}, "merges": ["A1:B2"],
// "heights": {"7": points}, "breaks": [row above which a break stands]}]}.
// Dates come as ISO texts. Fails the test when openpyxl cannot read it.
#include <QJsonObject>
#include <QString>

QJsonObject ReadWithOpenpyxl(const QString &fileName);
