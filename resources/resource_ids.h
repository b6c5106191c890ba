/* Resource ids, shared by the resource script and the code. */
#ifndef PARVELLO_RESOURCE_IDS_H
#define PARVELLO_RESOURCE_IDS_H

/* String table */
#define IDS_SETUP_CAPTION         1
#define IDS_CANCEL_QUESTION       2
#define IDS_INTERNAL_ERROR        6
#define IDS_COPY_FAILED           7
#define IDS_CLASS_KEY             8
#define IDS_SERVER_KEY            9
#define IDS_FILES_HANDLER_KEY     10
#define IDS_DIRECTORY_HANDLER_KEY 12
#define IDS_APPROVED_KEY          14
#define IDS_UNINSTALL_KEY         15
#define IDS_CLASS_ID              17
#define IDS_DISPLAY_NAME          18
#define IDS_UNINSTALL_COMMAND     19
#define IDS_CLASS_DESCRIPTION     20
#define IDS_REGISTER_FAILED       22
#define IDS_USAGE                 25
#define IDS_SETUP_FAILED          26
#define IDS_SETTINGS_KEY          27
#define IDS_REGISTRY_ERROR        28
#define IDS_OPEN_FAILED           29

/* Icons */
#define IDI_SETUP                 101

/* Cursors: the hand over a link */
#define IDC_LINK_CURSOR           130

/* Bitmaps */
#define IDB_SIDE_PICTURE          110

/* Dialog templates: the wizard's pages and the overwrite question */
#define IDD_LICENCE_PAGE          101
#define IDD_COPYING_FILES_PAGE    103
#define IDD_FINISH_PAGE           104
#define IDD_WELCOME_PAGE          105
#define IDD_OVERWRITE_QUESTION    132
#define IDD_MAIL_CLIENT_PAGE      133
#define IDD_USER_DEFINED_PAGE     134

/* Controls */
#define IDC_LICENCE_TEXT          1001
#define IDC_COPY_PROGRESS         1003
#define IDC_OPEN_OVERVIEW         1027
#define IDC_PAGE_TITLE            1029
#define IDC_MAIL_CLIENT_LIST      1032
#define IDC_COMMAND_LINE          1033
#define IDC_SIDE_PICTURE          1034
#define IDC_INSERT_MACRO          1039
#define IDC_PREDEFINED_CLIENT     1043
#define IDC_USER_DEFINED_CLIENT   1044

/* Embedded files, resource type "FILE" */
#define IDR_PRODUCT_LIBRARY       112  /* the library of the program's own architecture */
#define IDR_OTHER_LIBRARY         113  /* the library of the other one */
#define IDR_HELP_FILE             114
#define IDR_HELP_CONTENTS         126
#define IDR_HTML_HELP             127  /* the help as Compiled HTML Help */
#define IDR_LICENCE               144
/* Windows 11's first menu, in a build that has a signing certificate:
   the signed sparse package (type "FILE"), the certificate that signed it
   (DER) and the package's family name (type RCDATA) */
#define IDR_FIRST_MENU_PACKAGE    145
#define IDR_FIRST_MENU_CERTIFICATE 146
#define IDR_FIRST_MENU_FAMILY     147

#endif
