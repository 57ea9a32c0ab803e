// String-resource ids of the help topics' texts. Read by windres as well as the
// compiler: keep to plain #defines.
//
// A window topic 0x2FFF0 + k keeps its text at HELP_WINDOW_TEXT(k); a control
// topic 0x80000000 + template * 0x10000 + target keeps it at
// HELP_CONTROL_TEXT(template, target). Templates 104 to 113 and targets below
// 4096 end below 54366, so the two ranges never meet.
#ifndef HOLMVARD_HELP_TOPIC_IDS_H
#define HOLMVARD_HELP_TOPIC_IDS_H

#define HELP_WINDOW_TEXT_BASE 60000
#define HELP_CONTROL_TEMPLATE_BASE 100
#define HELP_CONTROL_TEMPLATE_STRIDE 4096

#define HELP_WINDOW_TEXT(topicIndex) (HELP_WINDOW_TEXT_BASE + (topicIndex))
#define HELP_CONTROL_TEXT(templateId, targetId) \
    (((templateId) - HELP_CONTROL_TEMPLATE_BASE) * HELP_CONTROL_TEMPLATE_STRIDE + (targetId))

#endif
