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

/* Bitmaps */
#define IDB_SIDE_PICTURE          110

/* Embedded files, resource type "FILE" */
#define IDR_PRODUCT_LIBRARY       112
#define IDR_HELP_FILE             114
#define IDR_HELP_CONTENTS         126
#define IDR_LICENCE               144

#endif
