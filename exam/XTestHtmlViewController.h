#pragma once
// XTestHtmlViewController: the page of a multiple-answer question (XTEST). It behaves as the page of a
// case sub-question (A3TestHtmlViewController).

#include "exam/A3TestHtmlViewController.h"

class XTestHtmlViewController : public A3TestHtmlViewController {};
