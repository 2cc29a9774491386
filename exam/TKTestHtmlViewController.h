#pragma once
// TKTestHtmlViewController: the page of a fill-in question (TKTEST). It behaves as a short-answer page
// (JDTestHtmlViewController).

#include "exam/JDTestHtmlViewController.h"

class TKTestHtmlViewController : public JDTestHtmlViewController {};
