#pragma once
// PDTestHtmlViewController: the page of a true/false question (PDTEST). It behaves as a single-answer
// page (ATestHtmlViewController).

#include "exam/ATestHtmlViewController.h"

class PDTestHtmlViewController : public ATestHtmlViewController {};
