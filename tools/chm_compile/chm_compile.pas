{ chm_compile PROJECT.hhp OUTPUT.chm: compiles an HTML Help project with
  Free Pascal's CHM writer, as chmcmd does, with the writer built by
  build.sh (see there why). }
program chm_compile;
{$mode objfpc}{$H+}
uses Classes, SysUtils, chmfilewriter;
var
  project: TChmProject;
  output: TFileStream;
begin
  if ParamCount <> 2 then begin
    WriteLn(StdErr, 'usage: chm_compile PROJECT.hhp OUTPUT.chm');
    Halt(2);
  end;
  project := TChmProject.Create;
  project.LoadFromHhp(ParamStr(1), False);
  output := TFileStream.Create(ParamStr(2), fmCreate);
  project.WriteChm(output);
  output.Free;
  project.Free;
end.
