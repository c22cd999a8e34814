// The messages the user sees, each written once. Texts with a path take it on a
// second line with the system's reason (see path_check.h).
#pragma once

namespace quillon::messages {

constexpr char kInputFileDoesNotExist[] = "Input File Does Not Exist!";
constexpr char kOutputFileCannotBeAccessed[] = "Output File Cannot Be Accessed!";
constexpr char kSplitFileCannotBeAccessed[] = "Split File Cannot Be Accessed!";
constexpr char kCannotCreateDirectory[] = "Cannot create directory.";
constexpr char kUnableToWriteTo[] = "Unable to write to ";  // followed by the path
constexpr char kNotFromKtrProduct[] = "File is not from a KTR CW product.";
constexpr char kConversionCompleted[] = "Conversion Has Been Completed!";
constexpr char kConversionCancelled[] = "Conversion Has Been Cancelled!";
constexpr char kConversionAborted[] = "Conversion Aborted.";
constexpr char kFilesMustBeSelected[] = "Input and Output Files Must Be Selected.";
constexpr char kFoldersMustBeSelected[] = "Input and Output Folders Must Be Selected.";
constexpr char kNotInReceiverRange[] = "%.4f is not in the range of the receiver.";  // printf format
constexpr char kBandRange[] = "(%.5f - %.5f MHz)";                                   // printf format
constexpr char kNotAFloatingPointValue[] = "'%s' is not a valid floating point value.";
constexpr char kNoFieldsSelected[] = "No fields are selected for the output: select the output's fields first.";
constexpr char kConfigurationCannotBeRead[] = "Configuration File Cannot Be Read!";
constexpr char kInputFolderCannotBeRead[] = "Input Folder Cannot Be Read!";
constexpr char kDatabaseCannotBeAccessed[] = "Database Cannot Be Accessed!";

}  // namespace quillon::messages
